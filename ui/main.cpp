// Purlo.exe: the dialog program.
#include <windows.h>

#include "framework/App.h"
#include "ui/CPurloApp.h"

ui::CPurloApp theApp;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return fw::RunApplication(instance); }

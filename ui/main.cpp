// Purlo.exe: the dialog program.
#include <windows.h>

#include "framework/App.h"
#include "ui/CPurloApp.h"
#include "win/SystemDll.h"

ui::CPurloApp theApp;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  win::RestrictDllSearch();
  return fw::RunApplication();
}

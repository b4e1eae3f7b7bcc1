// purlo-demo-shot PURLO.EXE OUT.PNG: what `scripts/run.sh` does on a display
// nobody watches. Opens Purlo, ticks everything and scans as a person would
// (clicks), saves a picture of the window after the scan, and closes it.
#include <windows.h>

#include <cstdio>
#include <string>

#include "res/resource.h"
#include "tests/support/GuiTest.h"
#include "ui/Texts.h"

using namespace testing_support;

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: purlo-demo-shot PURLO.EXE OUT.PNG\n");
    return 2;
  }
  AppUnderTest app;
  if (!app.Start(argv[1], L"Purlo Beta")) {
    std::fprintf(stderr, "purlo-demo-shot: Purlo's window did not appear\n");
    return 1;
  }
  // The still banner replaces the animation 1667 ms after start.
  WaitUntil([&] { return Visible(app.Control(IDC_BANNER_STILL)); }, 5000);
  HWND startScan = app.Control(IDC_START_SCAN);
  if (!Click(app.Control(IDC_SELECT_ALL)) || !Click(startScan)) {
    std::fprintf(stderr, "purlo-demo-shot: could not click\n");
    return 1;
  }
  if (!WaitUntil([&] { return Text(startScan) == purlo::texts::kRescan; }, 120000)) {
    std::fprintf(stderr, "purlo-demo-shot: the scan did not end\n");
    return 1;
  }
  WaitUntilStill(app.Main());
  Capture shot = CaptureWindow(app.Main());
  const bool saved = !shot.Empty() && shot.SavePng(argv[2]);
  app.Close();
  return saved ? 0 : 1;
}

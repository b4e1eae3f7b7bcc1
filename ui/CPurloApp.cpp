#include "ui/CPurloApp.h"

#include <windows.h>
#include <commctrl.h>

#include "ui/CPurloDlg.h"

namespace ui {

namespace {

// How long closing waits for workers and monitors to reach their next file.
const DWORD kShutdownWait = 2000;

}  // namespace

void CPurloApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof controls, 0xFF};
  ::InitCommonControlsEx(&controls);
  {
    CPurloDlg dialog;
    dialog.DoModal();
    dialog.BeginShutdown();
    // A thread still running here may hold the heap or a lock, so the
    // process must not go through the runtime's exit: end it outright.
    // A clean-up handler in its purge is never killed: it was asked to stop
    // at its next progress report, and is waited for however long it takes.
    bool allEnded = dialog.WaitForRunThreads(kShutdownWait);
    while (!allEnded && dialog.AnyHandlerPurging()) allEnded = dialog.WaitForRunThreads(kShutdownWait);
    if (!allEnded) ::TerminateProcess(::GetCurrentProcess(), 0);
  }
}

}  // namespace ui

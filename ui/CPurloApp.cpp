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
    if (!dialog.WaitForRunThreads(kShutdownWait)) ::TerminateProcess(::GetCurrentProcess(), 0);
  }
}

}  // namespace ui

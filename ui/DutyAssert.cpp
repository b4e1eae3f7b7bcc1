#include "ui/DutyAssert.h"

#include <cstdlib>

#include "framework/Placement.h"

// It opens before the main window is shown, and has no caption or taskbar
// button: in the middle of the screen the user is looking at.
BOOL CDutyAssert::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  fw::CenterOnPointerMonitor(Hwnd());
  return TRUE;
}

bool CDutyAssert::OnCommand(WORD id, WORD code, HWND control) {
  if (code != BN_CLICKED) return fw::CDialog::OnCommand(id, code, control);
  switch (id) {
    case IDC_NOTICE_START: OnOK(); return true;
    // Ends the process through the runtime's exit; nothing else has started yet.
    case IDC_NOTICE_GIVE_UP: std::exit(1);
    default: return fw::CDialog::OnCommand(id, code, control);
  }
}

#include "ui/DutyAssert.h"

#include <cstdlib>

namespace {
constexpr WORD kStart = 1011;
constexpr WORD kGiveUp = 1012;
}  // namespace

bool CDutyAssert::OnCommand(WORD id, WORD code, HWND control) {
  if (code != BN_CLICKED) return fw::CDialog::OnCommand(id, code, control);
  switch (id) {
    case kStart: OnOK(); return true;
    // Ends the process through the runtime's exit; nothing else has started yet.
    case kGiveUp: std::exit(1);
    default: return fw::CDialog::OnCommand(id, code, control);
  }
}

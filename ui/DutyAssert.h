// The notice shown at every start, before the main window: its Start button
// (or Esc) continues, its Give-up button ends the program.
#pragma once

#include "framework/Dialog.h"

class CDutyAssert : public fw::CDialog {
 public:
  static constexpr UINT kTemplate = 9;
  explicit CDutyAssert(HWND parent = nullptr) : fw::CDialog(kTemplate, parent) {}

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
};

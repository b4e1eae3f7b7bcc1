// The notice shown at every start, before the main window: its Start button
// (or Esc) continues, its Give-up button ends the program.
#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

class CDutyAssert : public fw::CDialog {
 public:
  explicit CDutyAssert(HWND parent = nullptr) : fw::CDialog(IDD_STARTUP_NOTICE, parent) {}

 protected:
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
};

// The main dialog (IDD_PURLO_DIALOG): the category tree, the selection
// commands, the status line, the banner and About. Its runs, with the
// Start-scan and Sweep-now buttons, are its RunSession's.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/CTreeCtrlEx.h"
#include "controls/PictureEx.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/RunSession.h"
#include "ui/UpgradeHint.h"
#include "win/Gdi.h"
#include "win/Handles.h"

namespace ui {

class CPurloDlg : public fw::CDialog {
 public:
  CPurloDlg();
  ~CPurloDlg() override;

  // Asks every walk to stop at its next file, opens the run gate and from then
  // on keeps workers and monitors away from the windows. Idempotent.
  void BeginShutdown() { session_.BeginShutdown(); }
  // For closing: true when every worker and monitor ended within `milliseconds`.
  bool WaitForRunThreads(DWORD milliseconds) { return session_.WaitForThreads(milliseconds); }
  bool AnyHandlerPurging() const { return session_.AnyHandlerPurging(); }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  BOOL OnInitDialog() override;
  void DoDataExchange(fw::DataExchange& dx) override;
  bool OnCommand(WORD id, WORD code, HWND control) override;
  void OnOK() override {}
  void OnCancel() override;
  void OnTimer(UINT_PTR id) override;
  void OnDestroy() override;

 private:
  // Start-up.
  void InsertCategoryItems();
  void TickRecommended();
  void StartBanner();
  void OnDpiChanged(UINT newDpi, LPARAM suggested);
  void FitIntoWorkArea(const RECT& work);
  void ChooseUser();

  // Fields bound by the data exchange, in its order of binding.
  HICON icon_;
  CTreeCtrlEx tree_;
  fw::CButton selectAll_;
  fw::CButton recommended_;
  fw::CButton startScan_;
  fw::CEdit status_;
  fw::CButton sweepNow_;
  CPictureEx bannerAnimation_;
  // The flash-phase and update-available flags, and what the About button does with them.
  purlo::UpgradeHint upgrade_;

  // The runs, with the two run buttons; made after the fields it is given.
  RunSession session_;

  // The DPI the window's layout is for: the window's own, or a lower step where
  // that would not fit its monitor; then the controls use fittedFont_.
  UINT windowDpi_ = 96;
  UINT layoutDpi_ = 96;
  win::UniqueFont fittedFont_;
};

}  // namespace ui

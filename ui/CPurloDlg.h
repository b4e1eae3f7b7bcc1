// The main dialog (IDD_PURLO_DIALOG): the category tree, the Start-scan and
// Sweep-now buttons, the selection commands, the status line and the banner.
// What workers and monitors ask of the window reaches it through its
// UiThreadView, on the UI thread.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/CTreeCtrlEx.h"
#include "controls/PictureEx.h"
#include "engine/core/RunLock.h"
#include "engine/core/UserLookups.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/UiThreadView.h"
#include "ui/UpgradeHint.h"
#include "win/Gdi.h"
#include "win/Handles.h"

namespace ui {

class CPurloDlg : public fw::CDialog, private ViewOpTarget {
 public:
  CPurloDlg();
  ~CPurloDlg() override;

  // Asks every walk to stop at its next file, opens the run gate and from then
  // on keeps workers and monitors away from the windows. Idempotent.
  void BeginShutdown();

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

  // The two action buttons.
  void OnStartScan();
  void OnSweepNow();
  void StartScanRun();
  void StartSweepRun();
  bool IrreversibleAgreed();
  void SayAnotherRunHoldsTheLock(const wchar_t* failure);
  void CancelScanFlow();
  void EndRunHere();
  void Pause();
  void Continue();
  void ResetDownloadedProgramsColor();
  void DisableButton(const fw::CButton& button);
  bool WithinDoubleClickOfScanStart() const;
  bool NothingTicked() const;
  std::vector<purlo::JunkCategory> Ticked() const;

  // What the engines' operations do to the window, on the UI thread.
  void Apply(const ViewOp& op) override;
  void ApplyFromRun(const ViewOp& op) override;
  int Ask(const std::wstring& text, const std::wstring& caption, UINT type) override;
  void ShowLatestPath();
  void StartPathTimer();
  // The engines' buttons are IDC_START_SCAN and IDC_SWEEP_NOW.
  fw::CButton& ButtonFor(purlo::Button button);
  static int Slot(purlo::Button button);  // Start-scan 0, Sweep-now 1
  void ShowCaption(purlo::Button button, purlo::Caption caption);

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

  // For the session's user, found at start; without one, the user's categories clean nothing.
  std::unique_ptr<purlo::UserLookups> lookups_;
  std::wstring userNote_;  // names that user when they are not the account this runs as
  std::wstring lastStatus_;  // the status line as the engines last wrote it
  UiThreadView view_;

  // UI thread only: the run in progress, if any, and the machine's one-run lock it holds.
  bool runActive_ = false;
  purlo::RunLock runLock_;
  bool enableAtEnd_[2] = {false, false};  // Start-scan, Sweep-now: enabled by the run, granted at its end
  // What each button shows, as the template opens them; a click is decided by it.
  purlo::Caption captions_[2] = {purlo::Caption::StartScan, purlo::Caption::SweepNow};
  bool sweeping_ = false;        // the run in progress deletes
  DWORD scanStartedAt_ = 0;      // input time of the click that began the last scan

  // The DPI the window's layout is for: the window's own, or a lower step where
  // that would not fit its monitor; then the controls use fittedFont_.
  UINT windowDpi_ = 96;
  UINT layoutDpi_ = 96;
  win::UniqueFont fittedFont_;
};

}  // namespace ui

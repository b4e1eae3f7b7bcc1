// The main dialog (template 102): the category tree, the Start-scan and
// Sweep-now buttons, the selection commands, the status line and the banner.
// It is the engines' RunView: workers and monitors call it from their threads,
// and every window operation is carried out on the UI thread, which never
// waits for a worker or a monitor.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "controls/CTreeCtrlEx.h"
#include "controls/PictureEx.h"
#include "engine/core/RunLock.h"
#include "engine/core/RunView.h"
#include "engine/core/SystemLookups.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/UpgradeHint.h"
#include "win/Handles.h"

namespace ui {

struct ViewOp;
struct Question;

class CPurloDlg : public fw::CDialog, public purlo::RunView {
 public:
  CPurloDlg();
  ~CPurloDlg() override;

  // RunView, from any thread. After shut-down has begun every call is dropped
  // (ShowMessage answers IDCANCEL at once).
  void SetItemLabel(purlo::JunkCategory item, const std::wstring& text) override;
  void SetStatusText(const std::wstring& text) override;
  void SetButtonText(purlo::Button button, purlo::Caption caption) override;
  void EnableButton(purlo::Button button, bool enable) override;
  int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) override;
  void ShowScanningPath(const std::wstring& path) override;
  void ShowSweepingPath(const std::wstring& path) override;
  void RunFinished(bool endedAsScan) override;

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
  void OnDpiChanged(LPARAM suggested);

  // The two action buttons.
  void OnStartScan();
  void OnSweepNow();
  void StartScanRun();
  void StartSweepRun();
  void CancelScanFlow();
  void EndRunHere();
  void Pause();
  void Continue();
  void ResetDownloadedProgramsColor();
  void DisableButton(const fw::CButton& button);
  bool WithinDoubleClickOfScanStart() const;
  bool NothingTicked() const;
  std::vector<purlo::JunkCategory> Ticked() const;

  // Carrying RunView calls over to the UI thread.
  bool OnUiThread() const { return ::GetCurrentThreadId() == uiThread_; }
  void Deliver(std::unique_ptr<ViewOp> op);
  void Apply(const ViewOp& op);
  void ApplyFromRun(const ViewOp& op);
  void OnViewOp(std::unique_ptr<ViewOp> op);
  void OnAsk(const std::shared_ptr<Question>& question);
  void HoldUpdates();
  void ReleaseUpdates();
  void ShowLatestPath();
  void StartPathTimer();
  void ForgetLatestPath();
  fw::CButton& ButtonFor(purlo::Button button);
  static int Slot(purlo::Button button);  // Start-scan 0, Sweep-now 1
  void ShowCaption(purlo::Button button, purlo::Caption caption);

  // Fields bound by the data exchange, in this order of binding: 1000, 1001,
  // 1007, 1004, 1006, 1005, 1010.
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

  purlo::WindowsLookups lookups_;
  DWORD uiThread_;
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> closing_{false};
  win::UniqueEvent closingEvent_;

  // UI thread only: the run in progress, if any, and the machine's one-run lock it holds.
  bool runActive_ = false;
  purlo::RunLock runLock_;
  bool enableAtEnd_[2] = {false, false};  // Start-scan, Sweep-now: enabled by the run, granted at its end
  // What each button shows, as the template opens them; a click is decided by it.
  purlo::Caption captions_[2] = {purlo::Caption::StartScan, purlo::Caption::SweepNow};
  bool holding_ = false;         // paused or asking: scan results wait here
  bool sweeping_ = false;        // the run in progress deletes
  DWORD scanStartedAt_ = 0;      // input time of the click that began the last scan
  std::vector<std::unique_ptr<ViewOp>> held_;

  // The latest path a walker measured or is deleting, shown by a timer.
  win::CriticalSection pathLock_;
  std::wstring latestPath_;
  bool pathFresh_ = false;
};

}  // namespace ui

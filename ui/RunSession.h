// The main dialog's runs: the Start-scan and Sweep-now buttons, the Run they
// start, pause, cancel and end, the labels and the status line the runs
// write. The engines' events reach it through its UiThreadView, on the UI
// thread; what they do to the buttons RunButtons decides.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/CTreeCtrlEx.h"
#include "engine/core/Run.h"
#include "engine/core/WorkerStart.h"
#include "framework/Controls.h"
#include "ui/RunButtons.h"
#include "ui/UiThreadView.h"

namespace ui {

class RunSession : private ViewOpTarget {
 public:
  // The dialog's controls, bound before Attach.
  RunSession(CTreeCtrlEx& tree, fw::CButton& startScan, fw::CButton& sweepNow, fw::CEdit& status);
  ~RunSession();

  // On the UI thread, once the dialog's controls exist. `lookups` names whom
  // the runs clean for, `userNote` that user when they are not the account
  // this runs as (shown after a scan's summary).
  void Attach(HWND dialog, std::unique_ptr<purlo::SystemLookups> lookups, std::wstring userNote);
  // The window is going: nothing reaches it any more.
  void Detach();

  // The two buttons' clicks.
  void OnStartScan();
  void OnSweepNow();
  // The UI thread's end of what workers and monitors post: false for any other message.
  bool OnPosted(UINT message, LPARAM lParam) { return view_.OnPosted(message, lParam); }
  // The status line's timer during a run.
  static constexpr UINT_PTR kPathTimer = 3;
  void OnPathTimer();

  // Asks every walk to stop at its next file, opens the run gate and from then
  // on keeps workers and monitors away from the windows. Idempotent.
  void BeginShutdown();
  // For closing: waits at most `milliseconds` for every worker and monitor;
  // true when all of them have ended.
  bool WaitForThreads(DWORD milliseconds) { return run_.WorkerList.WaitForThreads(milliseconds); }
  // A clean-up handler is in its purge: whoever ends the program waits for it.
  bool AnyHandlerPurging() const { return run_.AnyHandlerPurging(); }
  // Closing waits for a purge: the path stops, the buttons rest, the status says why.
  void ShowWaitingForHandler();

 private:
  void StartScanRun();
  void StartSweepRun();
  bool IrreversibleAgreed();
  // Whether a run may begin, with the lock taken; if not, says why when there
  // is something to say, headed by the failure text.
  bool BeginRun(const wchar_t* failure);
  void AfterStart(purlo::RunStart started);
  void CancelScanFlow();
  void Pause();
  void Continue();
  void EndRunHere();
  void ResetDownloadedProgramsColor();
  bool WithinDoubleClickOfScanStart() const;
  std::vector<purlo::JunkCategory> Ticked() const;
  int Say(const std::wstring& text, const std::wstring& caption, UINT type) const;

  // The events, on the UI thread.
  void Apply(const ViewOp& op) override;
  int Ask(const std::wstring& text, const std::wstring& caption, UINT type) override { return Say(text, caption, type); }
  void ShowRunEnd(const purlo::RunEnd& end);
  void SetStatus(const std::wstring& text);
  // The buttons as RunButtons has them; a button that closes hands the
  // keyboard focus on first.
  void ShowButtons();
  fw::CButton& ButtonFor(RunButton button) { return button == RunButton::StartScan ? startScan_ : sweepNow_; }
  void DisableButton(const fw::CButton& button);
  void StartPathTimer();
  void StopPathTimer();

  CTreeCtrlEx& tree_;
  fw::CButton& startScan_;
  fw::CButton& sweepNow_;
  fw::CEdit& status_;
  HWND dialog_ = nullptr;
  std::wstring userNote_;
  UiThreadView view_;

  // UI thread only: the state of the runs and what the buttons show.
  purlo::Run run_;
  RunButtons buttons_;
  purlo::Caption shown_[2] = {purlo::Caption::StartScan, purlo::Caption::SweepNow};
  bool sweeping_ = false;    // the run in progress deletes
  DWORD scanStartedAt_ = 0;  // input time of the click that began the last scan
};

}  // namespace ui

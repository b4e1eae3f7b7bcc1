// The engines' RunView for a dialog: workers and monitors tell it the run's
// events from their threads, and each event reaches the dialog on the UI
// thread, which never waits for a worker or a monitor. What an event does to
// the dialog is the dialog's own business (ViewOpTarget).
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/RunView.h"
#include "win/Handles.h"

namespace ui {

// One event of a run, carried to the UI thread.
struct ViewOp {
  enum Kind { RunStarted, CategoryStarted, CategoryFinished, RunEnded };
  explicit ViewOp(Kind k) : kind(k) {}
  Kind kind;
  purlo::RunKind run = purlo::RunKind::Scan;        // RunStarted
  purlo::JunkCategory item = purlo::JunkCategory::SystemTemp;  // the category's events
  std::wstring label;                                // CategoryFinished
  bool enablesSweepNow = false;                      // CategoryFinished
  purlo::RunEnd end;                                 // RunEnded
};

struct Question;

// The dialog's side, always called on the UI thread.
class ViewOpTarget {
 public:
  // An event told on the UI thread itself, or posted by a worker or a
  // monitor and applied once updates are not held.
  virtual void Apply(const ViewOp& op) = 0;
  // MessageBoxW over the dialog.
  virtual int Ask(const std::wstring& text, const std::wstring& caption, UINT type) = 0;

 protected:
  ~ViewOpTarget() = default;
};

class UiThreadView : public purlo::RunView {
 public:
  // On the UI thread.
  explicit UiThreadView(ViewOpTarget& target);
  ~UiThreadView() override;

  // RunView, from any thread. After closing has begun every call is dropped
  // (ShowMessage answers IDCANCEL at once).
  int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) override;
  void RunStarted(purlo::RunKind kind) override;
  void CategoryStarted(purlo::JunkCategory category) override;
  void CategoryFinished(const purlo::CategoryResult& result) override;
  void RunEnded(const purlo::RunEnd& end) override;
  void ShowScanningPath(const std::wstring& path) override;
  void ShowSweepingPath(const std::wstring& path) override;

  // The window that other threads post to; nullptr when it is gone.
  void AttachWindow(HWND window) { window_ = window; }
  // Ends every wait for an answer and drops every later call. True the first time only.
  bool BeginClosing();
  bool Closing() const { return closing_; }

  // The UI thread's end of WM_APP_VIEW_OP and WM_APP_ASK: false for any other message.
  bool OnPosted(UINT message, LPARAM lParam);

  // Paused or asking: posted operations wait until ReleaseUpdates applies them in order.
  void HoldUpdates() { holding_ = true; }
  void ReleaseUpdates();
  bool Holding() const { return holding_; }

  // The latest path a walker measured or is deleting, for a timer to show.
  bool TakeLatestPath(std::wstring& path);
  void ForgetLatestPath();

 private:
  bool OnUiThread() const { return ::GetCurrentThreadId() == uiThread_; }
  void Deliver(std::unique_ptr<ViewOp> op);
  void OnViewOp(std::unique_ptr<ViewOp> op);
  void OnAsk(const std::shared_ptr<Question>& question);

  ViewOpTarget& target_;
  DWORD uiThread_;
  std::atomic<HWND> window_{nullptr};
  std::atomic<bool> closing_{false};
  win::UniqueEvent closingEvent_;

  // UI thread only.
  bool holding_ = false;
  std::vector<std::unique_ptr<ViewOp>> held_;

  win::CriticalSection pathLock_;
  std::wstring latestPath_;
  bool pathFresh_ = false;
};

}  // namespace ui

// The window operations the engines need from whatever shows a run: the main
// dialog, the console front end, or a recording fake in tests. Workers and the
// monitor call these from their own threads; an implementation that owns
// windows must carry them out on its UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/Statuses.h"
#include "engine/core/Texts.h"

namespace purlo {

// The two buttons a run changes; a view maps them to its own controls.
enum class Button { StartScan, SweepNow };

// What one worker measured or removed, besides its label.
struct CategoryResult {
  JunkCategory category = JunkCategory::SystemTemp;
  CategoryStatus status = CategoryStatus::Done;
  std::wstring label;  // the text written into the item
  uint64_t items = 0;
  uint64_t bytes = 0;
  std::vector<std::wstring> failedPaths;   // sweep only: what could not be deleted
  std::vector<std::wstring> skippedPaths;  // sweep only: left alone, really elsewhere (links)
  uint64_t keptFiles = 0;  // left alone by the run's filter (too young, or on the keep list)
  uint64_t keptBytes = 0;
};

class RunView {
 public:
  virtual ~RunView() = default;

  virtual void SetItemLabel(JunkCategory item, const std::wstring& text) = 0;
  virtual void SetStatusText(const std::wstring& text) = 0;
  virtual void SetButtonText(Button button, Caption caption) = 0;
  virtual void EnableButton(Button button, bool enable) = 0;
  // MessageBoxW semantics: returns the button pressed.
  virtual int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) = 0;

  // The file a scan walker has just measured. Called once per file from every
  // walker, so it must be cheap: the dialog shows the latest one on a timer.
  virtual void ShowScanningPath(const std::wstring& path) = 0;

  // Each file a scan has counted, with its size, as it is counted; from every
  // worker's thread.
  virtual void FileCounted(JunkCategory category, const std::wstring& path, uint64_t bytes) {}
  // The file a sweep walker is about to work on.
  virtual void ShowSweepingPath(const std::wstring& path) {}

  // A root the start left out: nothing below it is measured or swept.
  virtual void RootRefused(JunkCategory category, const std::wstring& root, RootRefusal why) {}
  // A ticked category that gets no worker, and why (never Done). The dialog
  // leaves its item as it is; reports list it with its status.
  virtual void CategoryNotRun(JunkCategory category, CategoryStatus status) {}
  // A Windows clean-up handler was asked to stop in the middle of its purge
  // and is being waited for (it is never killed); from the worker's thread.
  virtual void HandlerStopping(JunkCategory category, const std::wstring& displayName) {}
  // A worker's figures, just before it writes its label.
  virtual void CategoryFinished(const CategoryResult& result) {}
  // A sweep's end, with its summary; the monitor goes on when this returns.
  // By default the summary is shown in a message box.
  virtual void SweepEnded(const std::wstring& summary) { ShowMessage(summary, texts::kSweepDone, MB_OK); }
  // The monitor's last act for a run.
  virtual void RunFinished(bool endedAsScan) {}
};

}  // namespace purlo

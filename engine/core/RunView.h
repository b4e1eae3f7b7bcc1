// What a run tells whatever shows it: the main dialog, the console front end,
// or a recording fake in tests. Events only: the run never says how a window
// looks; each view decides what its labels, status line and buttons show.
// Workers and the monitor call these from their own threads; an
// implementation that owns windows must carry them out on its UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/Statuses.h"

namespace purlo {

// What a run does: measure, or delete.
enum class RunKind : uint8_t { Sweep = 0, Scan = 1 };

struct Totals {
  uint64_t items = 0;
  double bytes = 0.0;
};

// What one worker measured or removed, with its label.
struct CategoryResult {
  JunkCategory category = JunkCategory::SystemTemp;
  CategoryStatus status = CategoryStatus::Done;
  std::wstring label;  // the category's label with its figures
  uint64_t items = 0;
  uint64_t bytes = 0;
  std::vector<std::wstring> failedPaths;   // sweep only: what could not be deleted
  std::vector<std::wstring> skippedPaths;  // sweep only: left alone, really elsewhere (links)
  uint64_t keptFiles = 0;  // left alone by the run's filter (too young, or on the keep list)
  uint64_t keptBytes = 0;
  // A sweep's category whose end makes another sweep worth offering: every
  // one but those that delete single files (or nothing). Never for a scan.
  bool enablesSweepNow = false;
};

// A run's end, after its last worker.
struct RunEnd {
  RunKind kind = RunKind::Scan;
  Totals totals;
  // A scan's: what it found, or that it found nothing; a sweep's: the space
  // it freed.
  std::wstring summary;
};

// A scan that counted no item and no byte found nothing to sweep.
inline bool FoundNothing(const Totals& totals) { return totals.items == 0 && totals.bytes == 0.0; }

class RunView {
 public:
  virtual ~RunView() = default;

  // MessageBoxW semantics: returns the button pressed.
  virtual int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) = 0;

  // A scan or a sweep begins, before anything of it is looked up or started.
  virtual void RunStarted(RunKind kind) {}
  // A category's worker is under way.
  virtual void CategoryStarted(JunkCategory category) {}
  // A worker's figures and label, its last act.
  virtual void CategoryFinished(const CategoryResult& result) {}
  // A ticked category that gets no worker, and why (never Done).
  virtual void CategoryNotRun(JunkCategory category, CategoryStatus status) {}
  // A root the start left out: nothing below it is measured or swept.
  virtual void RootRefused(JunkCategory category, const std::wstring& root, RootRefusal why) {}
  // The monitor's last act for a run: every worker has ended.
  virtual void RunEnded(const RunEnd& end) {}

  // The file a scan walker has just measured. Called once per file from every
  // walker, so it must be cheap: the dialog shows the latest one on a timer.
  virtual void ShowScanningPath(const std::wstring& path) = 0;
  // Each file a scan has counted, with its size, as it is counted; from every
  // worker's thread.
  virtual void FileCounted(JunkCategory category, const std::wstring& path, uint64_t bytes) {}
  // The file a sweep walker is about to work on.
  virtual void ShowSweepingPath(const std::wstring& path) {}
  // A Windows clean-up handler was asked to stop in the middle of its purge
  // and is being waited for (it is never killed); from the worker's thread.
  virtual void HandlerStopping(JunkCategory category, const std::wstring& displayName) {}
};

}  // namespace purlo

// Shows a run on the console: each label as its worker writes it, then the
// summary; or, with --json, one document at the end. With files, every file
// a scan counts too. What the run told is kept in a RunRecord, written by
// ReportText; the progress line is a ProgressLine's.
#pragma once

#include <string>
#include <vector>

#include "cli/ProgressLine.h"
#include "cli/ReportText.h"
#include "cli/RunRecord.h"
#include "engine/core/RunView.h"

namespace cli {

class CliView final : public purlo::RunView {
 public:
  CliView(bool json, bool files, bool quiet = false);

  int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) override;
  void ShowScanningPath(const std::wstring& path) override { progress_.Show(path); }
  void ShowSweepingPath(const std::wstring& path) override { progress_.Show(path); }
  void FileCounted(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes) override;
  // One line on stderr per root left out; with quiet, in the report instead.
  void RootRefused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) override;
  // A status line in the text report; listed in the document with its status.
  void CategoryNotRun(purlo::JunkCategory category, purlo::CategoryStatus status) override;
  void HandlerStopping(purlo::JunkCategory category, const std::wstring& displayName) override;
  void CategoryFinished(const purlo::CategoryResult& result) override;
  // Its summary is kept for the end: printed after the labels, or as the
  // document's summary.
  void RunEnded(const purlo::RunEnd& end) override { record_.Ended(end); }

  // Shows the latest path on the console's progress line every 100 ms until
  // the run ends; nothing when quiet or standard error is not a console.
  void StartProgress();
  void WaitForRunEnd();
  // Prints the closing text, or the whole JSON document.
  void PrintEnd(bool sweep);
  // The pieces of the document, for a report of several runs: the
  // categories' array, and the closing text.
  std::wstring JsonCategories(bool sweep) { return cli::JsonCategories(record_.Contents(), sweep, files_); }
  std::wstring Summary() { return record_.Summary(); }
  // What the categories that ran measured or removed, in all.
  void AddTotals(uint64_t& items, uint64_t& bytes) { record_.AddTotals(items, bytes); }
  // A sweep that left files it meant to remove (failed) or refused roots.
  bool AnythingLeft() { return record_.AnythingLeft(); }
  // Which of these categories never reported a result.
  std::vector<purlo::JunkCategory> Unreported(const std::vector<purlo::JunkCategory>& started) {
    return record_.Unreported(started);
  }

 private:
  bool json_;
  bool files_;
  bool quiet_;
  win::CriticalSection lock_;  // one line at a time, from any worker
  RunRecord record_;
  ProgressLine progress_;
};

}  // namespace cli

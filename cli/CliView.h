// Shows a run on the console: each label as its worker writes it, then the
// summary; or, with --json, one document at the end. With files, every file
// a scan counts too.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/core/RunView.h"
#include "win/Handles.h"

namespace cli {

struct CountedFile {
  std::wstring path;
  uint64_t bytes;
};

class CliView final : public purlo::RunView {
 public:
  CliView(bool json, bool files, bool quiet = false);
  ~CliView() override;

  void SetItemLabel(purlo::JunkCategory item, const std::wstring& text) override {}
  void SetStatusText(const std::wstring& text) override;
  void SetButtonText(purlo::Button button, purlo::Caption caption) override {}
  void EnableButton(purlo::Button button, bool enable) override {}
  int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) override;
  // Kept for the end: printed after the labels, or as the document's summary.
  void SweepEnded(const std::wstring& summary) override;
  void ShowScanningPath(const std::wstring& path) override;
  void ShowSweepingPath(const std::wstring& path) override;
  void FileCounted(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes) override;
  // One line on stderr per root left out; with quiet, in the report instead.
  void RootRefused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) override;
  // A status line in the text report; listed in the document with its status.
  void CategoryNotRun(purlo::JunkCategory category, purlo::CategoryStatus status) override;
  void HandlerStopping(purlo::JunkCategory category, const std::wstring& displayName) override;
  void CategoryFinished(const purlo::CategoryResult& result) override;
  void RunFinished(bool endedAsScan) override;

  // Shows the latest path on the console's progress line every 100 ms until
  // the run ends; nothing when standard error is not a console.
  void StartProgress();
  void WaitForRunEnd();
  // Prints the closing text, or the whole JSON document.
  void PrintEnd(bool sweep);
  // The pieces of the document, for a report of several runs: the
  // categories' array, and the closing text.
  std::wstring JsonCategories(bool sweep);
  std::wstring Summary(bool sweep);
  // What the categories that ran measured or removed, in all.
  void AddTotals(uint64_t& items, uint64_t& bytes);
  // A sweep that left files it meant to remove (failed) or refused roots.
  bool AnythingLeft();
  // Which of these categories never reported a result.
  std::vector<purlo::JunkCategory> Unreported(const std::vector<purlo::JunkCategory>& started);

 private:
  struct Refusal;
  static std::wstring JsonRefusals(const std::vector<Refusal>& refusals);
  static unsigned __stdcall ProgressEntry(void* self);
  void ProgressLoop();

  struct Refusal {
    std::wstring path;
    purlo::RootRefusal why;
  };

  bool json_;
  bool files_;
  bool quiet_;
  std::map<purlo::JunkCategory, std::vector<Refusal>> refused_;
  win::CriticalSection lock_;
  win::UniqueEvent finished_;
  win::UniqueThread progress_;
  std::map<purlo::JunkCategory, purlo::CategoryResult> results_;  // tree order
  std::map<purlo::JunkCategory, std::vector<CountedFile>> counted_;  // with --json --files
  std::wstring status_;
  std::wstring sweepSummary_;
  std::wstring lastPath_;
  uint64_t pathVersion_ = 0;
  bool endedAsScan_ = true;
};

}  // namespace cli

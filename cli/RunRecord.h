// What one engine run told the console, kept for its report: each
// category's figures and status, the roots it refused, the files a scan
// counted (for --json --files) and the run's summary. Filled from the
// workers' and the monitor's threads.
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

struct Refusal {
  std::wstring path;
  purlo::RootRefusal why;
};

// What a report is written from.
struct RecordedRun {
  std::map<purlo::JunkCategory, purlo::CategoryResult> results;  // tree order
  std::map<purlo::JunkCategory, std::vector<Refusal>> refused;
  std::map<purlo::JunkCategory, std::vector<CountedFile>> counted;
  std::wstring summary;
};

class RunRecord {
 public:
  RunRecord();

  void Finished(const purlo::CategoryResult& result);
  // Listed as the dialog leaves it: its bare label, nothing counted.
  void NotRun(purlo::JunkCategory category, purlo::CategoryStatus status);
  void Refused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why);
  void Counted(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes);
  void Ended(const purlo::RunEnd& end);

  void WaitForEnd();
  RecordedRun Contents();
  std::wstring Summary();
  // What the categories that ran measured or removed, in all.
  void AddTotals(uint64_t& items, uint64_t& bytes);
  // A sweep that left files it meant to remove (failed) or refused roots.
  bool AnythingLeft();
  // Which of these categories never reported a result.
  std::vector<purlo::JunkCategory> Unreported(const std::vector<purlo::JunkCategory>& started);

 private:
  win::CriticalSection lock_;
  win::UniqueEvent ended_;
  RecordedRun run_;
};

}  // namespace cli

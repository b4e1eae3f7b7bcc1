#include "cli/RunRecord.h"

#include "engine/core/ByteCount.h"

namespace cli {

RunRecord::RunRecord() : ended_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void RunRecord::Finished(const purlo::CategoryResult& result) {
  win::Lock hold(lock_);
  run_.results[result.category] = result;
}

void RunRecord::NotRun(purlo::JunkCategory category, purlo::CategoryStatus status) {
  purlo::CategoryResult result;
  result.category = category;
  result.status = status;
  result.label = purlo::Info(category).bareLabel;
  win::Lock hold(lock_);
  run_.results[category] = result;
}

void RunRecord::Refused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) {
  win::Lock hold(lock_);
  run_.refused[category].push_back(Refusal{root, why});
}

void RunRecord::Counted(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes) {
  win::Lock hold(lock_);
  run_.counted[category].push_back(CountedFile{path, bytes});
}

void RunRecord::Ended(const purlo::RunEnd& end) {
  {
    win::Lock hold(lock_);
    run_.summary = end.summary;
  }
  ::SetEvent(ended_.Get());
}

void RunRecord::WaitForEnd() { ::WaitForSingleObject(ended_.Get(), INFINITE); }

RecordedRun RunRecord::Contents() {
  win::Lock hold(lock_);
  return run_;
}

std::wstring RunRecord::Summary() {
  win::Lock hold(lock_);
  return run_.summary;
}

void RunRecord::AddTotals(uint64_t& items, uint64_t& bytes) {
  win::Lock hold(lock_);
  for (const auto& entry : run_.results) {
    items += entry.second.items;
    purlo::AddBytes(bytes, entry.second.bytes);
  }
}

bool RunRecord::AnythingLeft() {
  win::Lock hold(lock_);
  for (const auto& entry : run_.refused) {
    if (!entry.second.empty()) return true;
  }
  for (const auto& entry : run_.results) {
    if (!entry.second.failedPaths.empty()) return true;
  }
  return false;
}

std::vector<purlo::JunkCategory> RunRecord::Unreported(const std::vector<purlo::JunkCategory>& started) {
  win::Lock hold(lock_);
  std::vector<purlo::JunkCategory> missing;
  for (purlo::JunkCategory category : started) {
    if (run_.results.count(category) == 0) missing.push_back(category);
  }
  return missing;
}

}  // namespace cli

// Shows a run on the console: each label as its worker writes it, then the
// summary; or, with --json, one document at the end.
#pragma once

#include <map>
#include <string>

#include "engine/scan/RunView.h"
#include "win/Handles.h"

namespace cli {

class CliView final : public purlo::RunView {
 public:
  explicit CliView(bool json);

  void SetItemLabel(purlo::JunkCategory item, const std::wstring& text) override {}
  void SetStatusText(const std::wstring& text) override;
  void SetButtonText(purlo::Button button, const std::wstring& text) override {}
  void EnableButton(purlo::Button button, bool enable) override {}
  int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) override;
  void ShowScanningPath(const std::wstring& path) override;
  // One line on stderr per root left out.
  void RootRefused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) override;
  void CategoryFinished(const purlo::CategoryResult& result) override;
  void RunFinished(bool endedAsScan) override;

  void WaitForRunEnd();
  // Prints the closing text, or the whole JSON document.
  void PrintEnd(bool sweep);

 private:
  bool json_;
  win::CriticalSection lock_;
  win::UniqueEvent finished_;
  std::map<purlo::JunkCategory, purlo::CategoryResult> results_;  // tree order
  std::wstring status_;
  std::wstring sweepSummary_;
  std::wstring lastPath_;
  bool endedAsScan_ = true;
};

}  // namespace cli

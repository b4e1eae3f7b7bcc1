// A RunView that records every call, for tests that run the engine headless.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/core/RunView.h"
#include "win/Handles.h"

namespace testing_support {

class RecordingView : public purlo::RunView {
 public:
  RecordingView();

  void SetItemLabel(purlo::JunkCategory item, const std::wstring& text) override;
  void SetStatusText(const std::wstring& text) override;
  void SetButtonText(purlo::Button button, purlo::Caption caption) override;
  void EnableButton(purlo::Button button, bool enable) override;
  int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) override;
  void ShowScanningPath(const std::wstring& path) override;
  void CategoryFinished(const purlo::CategoryResult& result) override;
  void RunFinished(bool endedAsScan) override;

  // False when the run did not end within the time.
  bool WaitForRunEnd(DWORD milliseconds = 20000);

  struct Message {
    std::wstring text, caption;
    UINT type;
  };

  std::wstring Label(purlo::JunkCategory item);
  std::wstring Status();
  std::wstring ButtonText(purlo::Button button);
  bool ButtonEnabled(purlo::Button button);
  std::vector<Message> Messages();
  std::vector<purlo::CategoryResult> Results();
  std::vector<std::wstring> ScanningPaths();
  int RunsFinished();
  bool LastEndedAsScan();

  // What ShowMessage answers (IDOK by default).
  int answer = IDOK;

 private:
  win::CriticalSection lock_;
  win::UniqueEvent finished_;
  std::map<purlo::JunkCategory, std::wstring> labels_;
  std::wstring status_;
  std::map<purlo::Button, std::wstring> buttonTexts_;
  std::map<purlo::Button, bool> buttonEnabled_;
  std::vector<Message> messages_;
  std::vector<purlo::CategoryResult> results_;
  std::vector<std::wstring> paths_;
  int runsFinished_ = 0;
  bool lastEndedAsScan_ = false;
};

}  // namespace testing_support

// A RunView that records every event, for tests that run the engine headless,
// and shows them as the dialog would: labels, status line, the sweep's
// closing message and the run buttons (the dialog's own RunButtons).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engine/core/Run.h"
#include "engine/core/RunView.h"
#include "ui/RunButtons.h"
#include "win/Handles.h"

namespace testing_support {

// The run the engine's tests start their scans and sweeps with: one for the
// whole test program, as a front end keeps one.
purlo::Run& TestRun();

class RecordingView : public purlo::RunView {
 public:
  RecordingView();

  int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) override;
  void RunStarted(purlo::RunKind kind) override;
  void CategoryStarted(purlo::JunkCategory category) override;
  void CategoryFinished(const purlo::CategoryResult& result) override;
  void RunEnded(const purlo::RunEnd& end) override;
  void ShowScanningPath(const std::wstring& path) override;

  // False when the run did not end within the time.
  bool WaitForRunEnd(DWORD milliseconds = 20000);

  struct Message {
    std::wstring text, caption;
    UINT type;
  };

  // An item's label as the tree would show it; a test may set one first.
  std::wstring Label(purlo::JunkCategory item);
  void SetLabel(purlo::JunkCategory item, const std::wstring& text);
  std::wstring Status();
  // The buttons as a scan that found something leaves them: both open.
  void ButtonsAfterAScan();
  std::wstring ButtonText(ui::RunButton button);
  bool ButtonEnabled(ui::RunButton button);
  std::vector<Message> Messages();
  std::vector<purlo::CategoryResult> Results();
  std::vector<purlo::JunkCategory> Started();
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
  ui::RunButtons buttons_;
  std::vector<Message> messages_;
  std::vector<purlo::CategoryResult> results_;
  std::vector<purlo::JunkCategory> started_;
  std::vector<std::wstring> paths_;
  int runsFinished_ = 0;
  bool lastEndedAsScan_ = false;
};

}  // namespace testing_support

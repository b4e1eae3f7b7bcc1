#include "tests/support/RecordingView.h"

#include "engine/core/RunState.h"
#include "ui/Texts.h"

namespace testing_support {

using purlo::Button;
using purlo::JunkCategory;

RecordingView::RecordingView() : finished_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

void RecordingView::SetItemLabel(JunkCategory item, const std::wstring& text) {
  win::Lock hold(lock_);
  labels_[item] = text;
}

void RecordingView::SetStatusText(const std::wstring& text) {
  win::Lock hold(lock_);
  status_ = text;
}

// Recorded as the text the button would show.
void RecordingView::SetButtonText(Button button, purlo::Caption caption) {
  win::Lock hold(lock_);
  buttonTexts_[button] = purlo::CaptionText(caption);
}

void RecordingView::EnableButton(Button button, bool enable) {
  win::Lock hold(lock_);
  buttonEnabled_[button] = enable;
}

int RecordingView::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) {
  win::Lock hold(lock_);
  messages_.push_back({text, caption, type});
  return answer;
}

void RecordingView::ShowScanningPath(const std::wstring& path) {
  win::Lock hold(lock_);
  paths_.push_back(path);
}

void RecordingView::CategoryFinished(const purlo::CategoryResult& result) {
  win::Lock hold(lock_);
  results_.push_back(result);
}

void RecordingView::RunFinished(bool endedAsScan) {
  {
    win::Lock hold(lock_);
    ++runsFinished_;
    lastEndedAsScan_ = endedAsScan;
  }
  ::SetEvent(finished_.Get());
}

bool RecordingView::WaitForRunEnd(DWORD milliseconds) {
  if (::WaitForSingleObject(finished_.Get(), milliseconds) != WAIT_OBJECT_0) return false;
  // The monitor's last act was telling us; let its thread end before the test does.
  if (purlo::WorkerList != nullptr) purlo::WorkerList->WaitForMonitors();
  return true;
}

std::wstring RecordingView::Label(JunkCategory item) {
  win::Lock hold(lock_);
  return labels_[item];
}

std::wstring RecordingView::Status() {
  win::Lock hold(lock_);
  return status_;
}

std::wstring RecordingView::ButtonText(Button button) {
  win::Lock hold(lock_);
  return buttonTexts_[button];
}

bool RecordingView::ButtonEnabled(Button button) {
  win::Lock hold(lock_);
  return buttonEnabled_[button];
}

std::vector<RecordingView::Message> RecordingView::Messages() {
  win::Lock hold(lock_);
  return messages_;
}

std::vector<purlo::CategoryResult> RecordingView::Results() {
  win::Lock hold(lock_);
  return results_;
}

std::vector<std::wstring> RecordingView::ScanningPaths() {
  win::Lock hold(lock_);
  return paths_;
}

int RecordingView::RunsFinished() {
  win::Lock hold(lock_);
  return runsFinished_;
}

bool RecordingView::LastEndedAsScan() {
  win::Lock hold(lock_);
  return lastEndedAsScan_;
}

}  // namespace testing_support

#include "tests/support/RecordingView.h"

#include "engine/core/Catalogue.h"
#include "engine/core/Texts.h"
#include "ui/Texts.h"

namespace testing_support {

using purlo::JunkCategory;
using purlo::RunKind;

purlo::Run& TestRun() {
  static purlo::Run run;
  return run;
}

RecordingView::RecordingView() : finished_(::CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}

int RecordingView::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) {
  win::Lock hold(lock_);
  messages_.push_back({text, caption, type});
  return answer;
}

// The dialog begins a run before it starts it; a scan starts from bare labels.
void RecordingView::RunStarted(RunKind kind) {
  win::Lock hold(lock_);
  if (kind == RunKind::Scan) {
    buttons_.ScanBegins();
    for (const purlo::CategoryInfo& info : purlo::Catalogue()) labels_[info.id] = info.bareLabel;
  } else {
    buttons_.SweepBegins();
  }
  buttons_.RunStarted(kind);
}

void RecordingView::CategoryStarted(JunkCategory category) {
  win::Lock hold(lock_);
  started_.push_back(category);
  buttons_.CategoryStarted();
}

void RecordingView::CategoryFinished(const purlo::CategoryResult& result) {
  win::Lock hold(lock_);
  results_.push_back(result);
  labels_[result.category] = result.label;
  buttons_.CategoryFinished(result.enablesSweepNow);
}

// A scan's summary in the status line; a sweep's in a message box, the line
// left empty.
void RecordingView::RunEnded(const purlo::RunEnd& end) {
  {
    win::Lock hold(lock_);
    buttons_.RunEnding(end);
    if (end.kind == RunKind::Scan) {
      status_ = end.summary;
    } else {
      status_.clear();
      messages_.push_back({end.summary, purlo::texts::kSweepDone, MB_OK});
    }
    buttons_.RunOver();
    ++runsFinished_;
    lastEndedAsScan_ = end.kind == RunKind::Scan;
  }
  ::SetEvent(finished_.Get());
}

void RecordingView::ShowScanningPath(const std::wstring& path) {
  win::Lock hold(lock_);
  paths_.push_back(path);
}

bool RecordingView::WaitForRunEnd(DWORD milliseconds) {
  if (::WaitForSingleObject(finished_.Get(), milliseconds) != WAIT_OBJECT_0) return false;
  // The monitor's last act was telling us; let its thread end before the test does.
  TestRun().WorkerList.WaitForMonitors();
  return true;
}

std::wstring RecordingView::Label(JunkCategory item) {
  win::Lock hold(lock_);
  return labels_[item];
}

void RecordingView::SetLabel(JunkCategory item, const std::wstring& text) {
  win::Lock hold(lock_);
  labels_[item] = text;
}

std::wstring RecordingView::Status() {
  win::Lock hold(lock_);
  return status_;
}

void RecordingView::ButtonsAfterAScan() {
  win::Lock hold(lock_);
  purlo::RunEnd found;
  found.totals.items = 1;
  buttons_.ScanBegins();
  buttons_.RunStarted(RunKind::Scan);
  buttons_.RunEnding(found);
  buttons_.RunOver();
}

// As the button would show it.
std::wstring RecordingView::ButtonText(ui::RunButton button) {
  win::Lock hold(lock_);
  return purlo::CaptionText(buttons_.Of(button).caption);
}

bool RecordingView::ButtonEnabled(ui::RunButton button) {
  win::Lock hold(lock_);
  return buttons_.Of(button).enabled;
}

std::vector<RecordingView::Message> RecordingView::Messages() {
  win::Lock hold(lock_);
  return messages_;
}

std::vector<purlo::CategoryResult> RecordingView::Results() {
  win::Lock hold(lock_);
  return results_;
}

std::vector<JunkCategory> RecordingView::Started() {
  win::Lock hold(lock_);
  return started_;
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

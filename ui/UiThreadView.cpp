#include "ui/UiThreadView.h"

#include "ui/AppMessages.h"

namespace ui {

using purlo::JunkCategory;

// A message box a worker waits for. Shared: a worker that gives up at
// shut-down leaves it to the UI thread, and the other way round.
struct Question {
  std::wstring text, caption;
  UINT type = MB_OK;
  std::atomic<int> answer{IDCANCEL};
  win::UniqueEvent answered{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

UiThreadView::UiThreadView(ViewOpTarget& target)
    : target_(target),
      uiThread_(::GetCurrentThreadId()),
      closingEvent_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

UiThreadView::~UiThreadView() = default;

bool UiThreadView::BeginClosing() {
  if (closing_.exchange(true)) return false;
  ::SetEvent(closingEvent_.Get());
  return true;
}

void UiThreadView::RunStarted(purlo::RunKind kind) {
  auto op = std::make_unique<ViewOp>(ViewOp::RunStarted);
  op->run = kind;
  Deliver(std::move(op));
}

void UiThreadView::CategoryStarted(JunkCategory category) {
  auto op = std::make_unique<ViewOp>(ViewOp::CategoryStarted);
  op->item = category;
  Deliver(std::move(op));
}

void UiThreadView::CategoryFinished(const purlo::CategoryResult& result) {
  auto op = std::make_unique<ViewOp>(ViewOp::CategoryFinished);
  op->item = result.category;
  op->label = result.label;
  op->enablesSweepNow = result.enablesSweepNow;
  Deliver(std::move(op));
}

void UiThreadView::RunEnded(const purlo::RunEnd& end) {
  auto op = std::make_unique<ViewOp>(ViewOp::RunEnded);
  op->end = end;
  Deliver(std::move(op));
}

void UiThreadView::ShowScanningPath(const std::wstring& path) {
  if (closing_) return;
  win::Lock hold(pathLock_);
  latestPath_ = path;
  pathFresh_ = true;
}

// The same slot: a run either scans or sweeps, and the dialog knows which.
void UiThreadView::ShowSweepingPath(const std::wstring& path) { ShowScanningPath(path); }

bool UiThreadView::TakeLatestPath(std::wstring& path) {
  win::Lock hold(pathLock_);
  if (!pathFresh_) return false;
  pathFresh_ = false;
  path = latestPath_;
  return true;
}

void UiThreadView::ForgetLatestPath() {
  win::Lock hold(pathLock_);
  pathFresh_ = false;
}

// The calling worker waits for the answer; the UI thread never waits for it.
int UiThreadView::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) {
  if (closing_) return IDCANCEL;
  if (OnUiThread()) return target_.Ask(text, caption, type);
  auto question = std::make_shared<Question>();
  question->text = text;
  question->caption = caption;
  question->type = type;
  auto* payload = new std::shared_ptr<Question>(question);
  if (!::PostMessageW(window_.load(), WM_APP_ASK, 0, reinterpret_cast<LPARAM>(payload))) {
    delete payload;
    return IDCANCEL;
  }
  HANDLE waits[] = {question->answered.Get(), closingEvent_.Get()};
  ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  return question->answer;
}

bool UiThreadView::OnPosted(UINT message, LPARAM lParam) {
  switch (message) {
    case WM_APP_VIEW_OP: OnViewOp(std::unique_ptr<ViewOp>(reinterpret_cast<ViewOp*>(lParam))); return true;
    case WM_APP_ASK: {
      std::unique_ptr<std::shared_ptr<Question>> question(reinterpret_cast<std::shared_ptr<Question>*>(lParam));
      OnAsk(*question);
      return true;
    }
    default: return false;
  }
}

void UiThreadView::OnAsk(const std::shared_ptr<Question>& question) {
  if (!closing_) question->answer = target_.Ask(question->text, question->caption, question->type);
  ::SetEvent(question->answered.Get());
}

void UiThreadView::Deliver(std::unique_ptr<ViewOp> op) {
  if (closing_) return;
  if (OnUiThread()) {
    target_.Apply(*op);
    return;
  }
  if (::PostMessageW(window_.load(), WM_APP_VIEW_OP, 0, reinterpret_cast<LPARAM>(op.get()))) op.release();
}

void UiThreadView::OnViewOp(std::unique_ptr<ViewOp> op) {
  if (closing_) return;
  if (holding_) {
    held_.push_back(std::move(op));
    return;
  }
  target_.Apply(*op);
}

void UiThreadView::ReleaseUpdates() {
  holding_ = false;
  std::vector<std::unique_ptr<ViewOp>> held;
  held.swap(held_);
  for (const auto& op : held) target_.Apply(*op);
}

}  // namespace ui

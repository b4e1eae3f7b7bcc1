#include "engine/core/CompletionMonitor.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "engine/core/LabelText.h"
#include "engine/core/Texts.h"

namespace purlo {

namespace {

// What one monitor works on: its own run's handles, claimed when it started,
// so that overlapping runs never close each other's handles.
struct MonitorJob {
  WorkerListStore* list;
  RunView* owner;
  std::vector<HANDLE> handles;
  WorkerListStore::MonitorToken token = 0;
};

void EndScan(RunView& view) {
  const Totals totals = RunningTotals.Take();
  if (totals.bytes == 0.0 && totals.items == 0) {
    view.SetStatusText(texts::kNothingFound);
    view.EnableButton(Button::SweepNow, false);
    view.SetButtonText(Button::SweepNow, Caption::SweepNow);
  } else {
    view.EnableButton(Button::SweepNow, true);
    view.SetStatusText(ScanSummary(totals.items, totals.bytes));
    view.SetButtonText(Button::SweepNow, Caption::SweepNow);
  }
  view.EnableButton(Button::StartScan, true);
  view.SetButtonText(Button::StartScan, Caption::Rescan);
}

std::wstring EndSweep(RunView& view) {
  const Totals totals = RunningTotals.Take();
  std::wstring summary = SweepSummary(totals.bytes);
  view.SetStatusText(L"");
  view.EnableButton(Button::StartScan, true);
  view.SetButtonText(Button::StartScan, Caption::Rescan);
  return summary;
}

unsigned RunMonitor(MonitorJob& job) {
  WaitForAll(job.handles);
  // The run's own kind decides, even after a cancelled scan.
  const bool endsAsScan = RunMode.load() == 1;
  RunView& view = *job.owner;
  std::wstring sweepSummary;
  if (endsAsScan) {
    EndScan(view);
  } else {
    sweepSummary = EndSweep(view);
  }
  job.list->CloseAndRemove(job.handles);
  if (!endsAsScan) view.SweepEnded(sweepSummary);
  view.RunFinished(endsAsScan);
  return 0;
}

unsigned __stdcall MonitorEntry(void* param) {
  WorkerListStore* list = nullptr;
  WorkerListStore::MonitorToken token = 0;
  {
    std::unique_ptr<MonitorJob> job(static_cast<MonitorJob*>(param));
    RunMonitor(*job);
    list = job->list;
    token = job->token;
  }
  // Last: after this the thread touches nothing of the program's.
  list->MonitorEnded(token);
  return 0;
}

}  // namespace

void WaitForAll(const std::vector<HANDLE>& handles) {
  for (size_t first = 0; first < handles.size(); first += MAXIMUM_WAIT_OBJECTS) {
    DWORD count = static_cast<DWORD>(std::min<size_t>(MAXIMUM_WAIT_OBJECTS, handles.size() - first));
    ::WaitForMultipleObjects(count, handles.data() + first, TRUE, INFINITE);
  }
}

bool StartCompletionMonitor(RunView& owner, ThreadStarter starter) {
  const std::vector<HANDLE> claimed = WorkerList->ClaimForMonitor();
  const WorkerListStore::MonitorToken token = WorkerList->ReserveMonitor();
  auto* job = new MonitorJob{WorkerList, &owner, claimed, token};
  win::UniqueThread thread(starter(MonitorEntry, job));
  if (!thread) {
    delete job;
    WorkerList->ForgetMonitor(token);
    // The next run's monitor waits for these workers and closes their handles.
    WorkerList->ReturnClaimed(claimed);
    return false;
  }
  WorkerList->AttachMonitor(token, std::move(thread));
  return true;
}

}  // namespace purlo

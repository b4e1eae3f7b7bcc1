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
  Run* run;
  RunView* owner;
  std::vector<HANDLE> handles;
  WorkerListStore::MonitorToken token = 0;
};

// The run's own kind decides, even after a cancelled scan.
RunEnd EndOf(Run& run) {
  RunEnd end;
  end.kind = run.RunMode.load();
  end.totals = run.RunningTotals.Take();
  if (end.kind == RunKind::Sweep) {
    end.summary = SweepSummary(end.totals.bytes);
  } else if (FoundNothing(end.totals)) {
    end.summary = texts::kNothingFound;
  } else {
    end.summary = ScanSummary(end.totals.items, end.totals.bytes);
  }
  return end;
}

unsigned RunMonitor(MonitorJob& job) {
  WaitForAll(job.handles);
  const RunEnd end = EndOf(*job.run);
  job.run->WorkerList.CloseAndRemove(job.handles);
  job.owner->RunEnded(end);
  return 0;
}

unsigned __stdcall MonitorEntry(void* param) {
  WorkerListStore* list = nullptr;
  WorkerListStore::MonitorToken token = 0;
  {
    std::unique_ptr<MonitorJob> job(static_cast<MonitorJob*>(param));
    RunMonitor(*job);
    list = &job->run->WorkerList;
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

bool StartCompletionMonitor(Run& run, RunView& owner, ThreadStarter starter) {
  WorkerListStore& list = run.WorkerList;
  const std::vector<HANDLE> claimed = list.ClaimForMonitor();
  const WorkerListStore::MonitorToken token = list.ReserveMonitor();
  auto* job = new MonitorJob{&run, &owner, claimed, token};
  win::UniqueThread thread(starter(MonitorEntry, job));
  if (!thread) {
    delete job;
    list.ForgetMonitor(token);
    // The next run's monitor waits for these workers and closes their handles.
    list.ReturnClaimed(claimed);
    return false;
  }
  list.AttachMonitor(token, std::move(thread));
  return true;
}

}  // namespace purlo

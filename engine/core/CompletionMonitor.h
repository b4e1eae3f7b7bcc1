// Notices the end of a run: waits for its workers, takes the totals (left at
// zero for the next run), closes the workers' handles and tells the view how
// the run ended.
#pragma once

#include <vector>

#include "engine/core/Run.h"
#include "engine/core/Threads.h"

namespace purlo {

// Starts the monitor for the handles appended to the run's WorkerList since
// the last one; it ends the run in `owner`. False when the thread could not
// be created.
bool StartCompletionMonitor(Run& run, RunView& owner, ThreadStarter starter = StartThread);

// Waits for every handle, in batches the platform accepts.
void WaitForAll(const std::vector<HANDLE>& handles);

}  // namespace purlo

// Notices the end of a run: waits for its workers, writes the summary, resets
// the totals, relabels the buttons and closes the handles.
#pragma once

#include "engine/core/RunState.h"
#include "engine/core/Threads.h"

namespace purlo {

// Starts the monitor for the handles appended since the last one; it ends the
// run in `owner`. False when the thread could not be created.
bool StartCompletionMonitor(RunView& owner, ThreadStarter starter = StartThread);

// Waits for every handle, in batches the platform accepts.
void WaitForAll(const std::vector<HANDLE>& handles);

}  // namespace purlo

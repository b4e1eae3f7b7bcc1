// Starting the workers of a run, shared by the scan and the sweep: every
// ticked category's roots in run order, one worker each, then the completion
// monitor. Never waits for a worker.
#pragma once

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/RunView.h"
#include "engine/core/SystemLookups.h"
#include "engine/core/Threads.h"

namespace purlo {

enum class StartResult {
  Started,         // workers (possibly none) and the monitor are running
  TempPathFailed,  // message shown; nothing started
  ThreadFailed,    // message shown; earlier workers run on, no monitor
};

// What differs between starting scan workers and sweep workers.
struct WorkerKind {
  ThreadEntry entry;
  const wchar_t* (*failureText)(JunkCategory category);
  void (*beforeEach)();            // may be nullptr
  void (*afterEach)(RunView& view);  // may be nullptr
};

// Builds each ticked category's roots in run order and starts one worker per
// category (MaxthonHistory and TheWorldHistory without their keys get none),
// then the completion monitor. Roots that are not below a drive root, or that
// are or lie above a system folder, are left out and told to the view. On a failure the message is shown and nothing
// further is started; workers already started run on.
StartResult StartWorkers(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                         ThreadStarter starter, const WorkerKind& kind);

// The text shown when GetTempPathW fails.
std::wstring TempPathFailureText(DWORD error);

}  // namespace purlo

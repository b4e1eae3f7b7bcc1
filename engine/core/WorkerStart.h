// Starting the workers of a run, shared by the scan and the sweep: every
// ticked category's roots in run order, one worker each, then the completion
// monitor. Never waits for a worker.
#pragma once

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/Run.h"
#include "engine/core/RunView.h"
#include "engine/core/SystemLookups.h"
#include "engine/core/Threads.h"

namespace purlo {

enum class StartResult {
  Started,         // workers (possibly none) and the monitor are running
  TempPathFailed,  // message shown; nothing started
  ThreadFailed,    // message shown; earlier workers run on, no monitor
};

// What differs between starting scan workers and sweep workers
// (engine/scan/ScanController.h, engine/sweep/SweepController.h).
struct WorkerKind {
  RunKind mode;
  ThreadEntry entry;
  const wchar_t* (*failureText)(JunkCategory category);
  void (*beforeEach)(Run& run);  // may be nullptr
};

// Sets the run's mode and tells the view the run started; builds each ticked
// category's roots in run order and starts one worker per category
// (MaxthonHistory and TheWorldHistory without their keys get none), each
// told to the view as it starts, then the completion monitor. Roots that are
// not below a drive root, or that are or lie above a system folder, are left
// out and told to the view. On a failure the message is shown and nothing
// further is started; workers already started run on.
StartResult StartWorkers(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                         ThreadStarter starter, const WorkerKind& kind);

// How a front end's start came out.
enum class RunStart {
  Started,        // a monitor ends the run: the view hears RunEnded
  FailedEnding,   // failure shown; a monitor ends what did start, and the view hears RunEnded
  FailedEndHere,  // failure shown; nothing ends the run: its starter does
};

// The one way the dialog and the console start a scan or a sweep, for whom
// run.Lookups() names, under the run lock the caller holds: the gate opened,
// the workers and their monitor started (StartWorkers). When a worker could
// not be started, those that were get a monitor of their own.
RunStart StartRun(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, const WorkerKind& kind,
                  ThreadStarter starter = StartThread);

// The text shown when GetTempPathW fails.
std::wstring TempPathFailureText(DWORD error);

}  // namespace purlo

// Starting a sweep: one worker per ticked category in run order, then one
// completion monitor. Never waits for a worker.
#pragma once

#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/Run.h"
#include "engine/core/RunView.h"
#include "engine/core/WorkerStart.h"
#include "engine/core/SystemLookups.h"
#include "engine/core/Threads.h"

namespace purlo {

// The sweep's workers, for StartRun.
const WorkerKind& SweepWorkers();

StartResult StartSweep(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                       ThreadStarter starter = StartThread);

// The message shown when a category's sweep worker cannot be started.
const wchar_t* SweepFailureText(JunkCategory category);

}  // namespace purlo

// Starting a scan: one worker per ticked category in run order, then one
// completion monitor. Never waits for a worker.
#pragma once

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/Run.h"
#include "engine/core/RunView.h"
#include "engine/core/SystemLookups.h"
#include "engine/core/Threads.h"
#include "engine/core/WorkerStart.h"

namespace purlo {

// The scan's workers, for StartRun; each lets the walkers run before it starts.
const WorkerKind& ScanWorkers();

StartResult StartScan(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                      ThreadStarter starter = StartThread);

}  // namespace purlo

#include "engine/sweep/SweepController.h"

#include "engine/core/Texts.h"
#include "engine/sweep/SweepWorker.h"

namespace purlo {

const wchar_t* SweepFailureText(JunkCategory category) { return Info(category).failureText; }

const WorkerKind& SweepWorkers() {
  static const WorkerKind kind{RunKind::Sweep, SweepWorker, SweepFailureText, nullptr};
  return kind;
}

StartResult StartSweep(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                       ThreadStarter starter) {
  return StartWorkers(run, view, ticked, lookups, starter, SweepWorkers());
}

}  // namespace purlo

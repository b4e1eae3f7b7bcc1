#include "engine/sweep/SweepController.h"

#include "engine/core/Texts.h"
#include "engine/sweep/SweepWorker.h"

namespace purlo {

const wchar_t* SweepFailureText(JunkCategory category) { return Info(category).failureText; }

namespace {

void DisableSweepNow(RunView& view) { view.EnableButton(Button::SweepNow, false); }

}  // namespace

StartResult StartSweep(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                       ThreadStarter starter) {
  RunMode = 0;
  return StartWorkers(view, ticked, lookups, starter, WorkerKind{SweepWorker, SweepFailureText, nullptr, DisableSweepNow});
}

}  // namespace purlo

#include "engine/sweep/HandlerSweep.h"

#include "engine/core/ByteCount.h"
#include "engine/core/CleanupHandlers.h"

namespace purlo {

void SweepCleanupHandlers(const ScanTask& task, const wchar_t* const* names, CategoryResult& result) {
  ComOnThisThread com;
  RunHandlerWatch watch(task, true);
  for (const std::wstring& name : RegisteredHandlers(names)) {
    const HandlerRun run = RunHandler(name, true, watch);
    if (run.end == HandlerEnd::Refused) task.owner->RootRefused(task.item, run.refusedPath, RootRefusal::PlantedHandler);
    if (run.end == HandlerEnd::Failed) result.failedPaths.push_back(name + L": " + run.failure);
    AddBytes(result.bytes, run.spaceBefore - run.spaceAfter);
    if (run.end == HandlerEnd::Stopped) break;
  }
}

}  // namespace purlo

#include "engine/scan/HandlerScan.h"

#include "engine/core/ByteCount.h"
#include "engine/core/CleanupHandlers.h"

namespace purlo {

uint64_t ScanCleanupHandlers(const ScanTask& task, const wchar_t* const* names) {
  ComOnThisThread com;
  RunHandlerWatch watch(task, false);
  uint64_t total = 0;
  for (const std::wstring& name : RegisteredHandlers(names)) {
    const HandlerRun run = RunHandler(name, false, watch);
    if (run.end == HandlerEnd::Refused) task.owner->RootRefused(task.item, run.refusedPath, RootRefusal::PlantedHandler);
    if (run.end == HandlerEnd::Done) AddBytes(total, run.spaceBefore);
    if (run.end == HandlerEnd::Stopped) break;
  }
  return total;
}

}  // namespace purlo

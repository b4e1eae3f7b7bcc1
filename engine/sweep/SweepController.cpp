#include "engine/sweep/SweepController.h"

#include "engine/core/Texts.h"
#include "engine/sweep/SweepWorker.h"

namespace purlo {

const wchar_t* SweepFailureText(JunkCategory category) {
  switch (category) {
    case JunkCategory::Prefetch:
    case JunkCategory::DownloadedPrograms:
    case JunkCategory::UpdateDownloads:
    case JunkCategory::OfficeSetupCache:
    case JunkCategory::IeTemp:
    case JunkCategory::IeCookies:
    case JunkCategory::TheWorldHistory: return texts::kScanFailed;
    case JunkCategory::QqPlayerHistory:
    case JunkCategory::KankanHistory: return texts::kClearFailed;
    default: return texts::kSweepFailed;
  }
}

const WorkerKind& SweepWorkers() {
  static const WorkerKind kind{RunKind::Sweep, SweepWorker, SweepFailureText, nullptr};
  return kind;
}

StartResult StartSweep(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                       ThreadStarter starter) {
  return StartWorkers(run, view, ticked, lookups, starter, SweepWorkers());
}

}  // namespace purlo

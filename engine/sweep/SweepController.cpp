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

namespace {

void DisableSweepNow(RunView& view) { view.EnableButton(Button::SweepNow, false); }

}  // namespace

StartResult StartSweep(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                       ThreadStarter starter) {
  RunMode = 0;
  return StartWorkers(view, ticked, lookups, starter, WorkerKind{SweepWorker, SweepFailureText, nullptr, DisableSweepNow});
}

}  // namespace purlo

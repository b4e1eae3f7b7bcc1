#include "engine/sweep/SweepController.h"

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
    case JunkCategory::TheWorldHistory: return L"扫描失败请重试!";
    case JunkCategory::QqPlayerHistory:
    case JunkCategory::KankanHistory: return L"清除失败请重试!";
    default: return L"清理失败请重试!";
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

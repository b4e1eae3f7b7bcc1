#include "engine/sweep/SweepController.h"

#include "engine/scan/CompletionMonitor.h"
#include "engine/scan/RootRules.h"
#include "engine/scan/RunState.h"
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

StartResult StartSweep(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                       ThreadStarter starter) {
  RunMode = 0;
  for (JunkCategory category : InRunOrder(ticked)) {
    Roots roots = BuildRoots(category, WindowsMajorVersion, lookups);
    if (roots.outcome == RootsOutcome::TempPathFailed) {
      view.ShowMessage(TempPathFailureText(roots.error), kAppTitle, MB_OK);
      return StartResult::TempPathFailed;
    }
    if (roots.outcome == RootsOutcome::Skipped) continue;
    auto* task = new ScanTask{std::move(roots.paths), &view, Info(category).taskLabel, category};
    HANDLE worker = starter(SweepWorker, task);
    if (worker == nullptr) {
      delete task;
      view.ShowMessage(SweepFailureText(category), kAppTitle, MB_OK);
      return StartResult::ThreadFailed;
    }
    WorkerList->Append(worker);
    view.EnableButton(Button::SweepNow, false);
  }
  if (!StartCompletionMonitor(view, starter)) {
    view.ShowMessage(L"清理失败请重试!", kAppTitle, MB_OK);
    return StartResult::ThreadFailed;
  }
  return StartResult::Started;
}

}  // namespace purlo

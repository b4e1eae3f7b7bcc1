#include "engine/scan/ScanController.h"

#include <cstdio>

#include "engine/scan/CompletionMonitor.h"
#include "engine/scan/RootRules.h"
#include "engine/scan/RunState.h"
#include "engine/scan/ScanWorker.h"
#include "win/Text.h"

namespace purlo {

const wchar_t kAppTitle[] = L"Purlo";

std::wstring TempPathFailureText(DWORD error) {
  char text[64];
  std::snprintf(text, sizeof text, "GetTempPath failed with error %d.\n", static_cast<int>(error));
  return win::FromUtf8(text);
}

StartResult StartScan(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                      ThreadStarter starter) {
  RunMode = 1;
  for (const CategoryInfo& info : Catalogue()) view.SetItemLabel(info.id, info.bareLabel);
  view.SetButtonText(Button::SweepNow, L"取消扫描");
  view.EnableButton(Button::SweepNow, true);
  view.SetButtonText(Button::StartScan, L"暂停");

  for (JunkCategory category : InRunOrder(ticked)) {
    Roots roots = BuildRoots(category, WindowsMajorVersion, lookups);
    if (roots.outcome == RootsOutcome::TempPathFailed) {
      view.ShowMessage(TempPathFailureText(roots.error), kAppTitle, MB_OK);
      return StartResult::TempPathFailed;
    }
    if (roots.outcome == RootsOutcome::Skipped) continue;
    auto* task = new ScanTask{std::move(roots.paths), &view, Info(category).taskLabel, category};
    StopRequested = 0;
    HANDLE worker = starter(ScanWorker, task);
    if (worker == nullptr) {
      delete task;
      view.ShowMessage(L"扫描失败请重试!", kAppTitle, MB_OK);
      return StartResult::ThreadFailed;
    }
    WorkerList->Append(worker);
  }
  if (!StartCompletionMonitor(view, starter)) {
    view.ShowMessage(L"扫描失败请重试!", kAppTitle, MB_OK);
    return StartResult::ThreadFailed;
  }
  return StartResult::Started;
}

}  // namespace purlo

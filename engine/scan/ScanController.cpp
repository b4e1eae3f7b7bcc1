#include "engine/scan/ScanController.h"

#include "engine/core/RunState.h"
#include "engine/scan/ScanWorker.h"

namespace purlo {

namespace {

const wchar_t* ScanFailureText(JunkCategory) { return L"扫描失败请重试!"; }
void LetWalkersRun() { StopRequested = 0; }

}  // namespace

StartResult StartScan(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                      ThreadStarter starter) {
  RunMode = 1;
  for (const CategoryInfo& info : Catalogue()) view.SetItemLabel(info.id, info.bareLabel);
  view.SetButtonText(Button::SweepNow, L"取消扫描");
  view.EnableButton(Button::SweepNow, true);
  view.SetButtonText(Button::StartScan, L"暂停");
  return StartWorkers(view, ticked, lookups, starter, WorkerKind{ScanWorker, ScanFailureText, LetWalkersRun, nullptr});
}

}  // namespace purlo

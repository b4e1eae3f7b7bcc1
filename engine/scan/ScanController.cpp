#include "engine/scan/ScanController.h"

#include "engine/core/RunState.h"
#include "engine/core/Texts.h"
#include "engine/scan/ScanWorker.h"

namespace purlo {

namespace {

const wchar_t* ScanFailureText(JunkCategory) { return texts::kScanFailed; }
void LetWalkersRun() { StopRequested = 0; }

}  // namespace

StartResult StartScan(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                      ThreadStarter starter) {
  RunMode = 1;
  for (const CategoryInfo& info : Catalogue()) view.SetItemLabel(info.id, info.bareLabel);
  view.SetButtonText(Button::SweepNow, Caption::CancelScan);
  view.EnableButton(Button::SweepNow, true);
  view.SetButtonText(Button::StartScan, Caption::Pause);
  return StartWorkers(view, ticked, lookups, starter, WorkerKind{ScanWorker, ScanFailureText, LetWalkersRun, nullptr});
}

}  // namespace purlo

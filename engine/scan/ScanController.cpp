#include "engine/scan/ScanController.h"

#include "engine/core/Texts.h"
#include "engine/scan/ScanWorker.h"

namespace purlo {

namespace {

const wchar_t* ScanFailureText(JunkCategory) { return texts::kScanFailed; }
void LetWalkersRun(Run& run) { run.StopRequested = 0; }

}  // namespace

const WorkerKind& ScanWorkers() {
  static const WorkerKind kind{RunKind::Scan, ScanWorker, ScanFailureText, LetWalkersRun};
  return kind;
}

StartResult StartScan(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                      ThreadStarter starter) {
  return StartWorkers(run, view, ticked, lookups, starter, ScanWorkers());
}

}  // namespace purlo

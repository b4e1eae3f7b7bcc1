#include "cli/Run.h"

#include <windows.h>

#include <atomic>

#include "cli/CliView.h"
#include "cli/Console.h"
#include "cli/ReportFile.h"
#include "engine/core/CompletionMonitor.h"
#include "engine/core/RunLock.h"
#include "engine/core/RunState.h"
#include "engine/core/Texts.h"
#include "engine/scan/ScanController.h"
#include "engine/scan/ScanWorker.h"
#include "engine/sweep/SweepController.h"
#include "engine/sweep/SweepWorker.h"

namespace cli {

namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (interrupted.exchange(true)) return FALSE;  // the second time: end as usual
  purlo::ShutdownRequested = 1;
  return TRUE;
}

// The categories whose workers were started, recorded on the way to the real
// starter: the controllers start them all from this thread, before the run
// can end. A worker that dies is then missed among the results.
purlo::ThreadStarter innerStarter = purlo::StartThread;
std::vector<purlo::JunkCategory> started;

HANDLE RecordingStarter(purlo::ThreadEntry entry, void* argument) {
  if (entry == purlo::ScanWorker || entry == purlo::SweepWorker) {
    started.push_back(static_cast<purlo::ScanTask*>(argument)->item);
  }
  return innerStarter(entry, argument);
}

// The work is done whatever happened to the report; only the exit code and
// one line on stderr tell that it is incomplete.
// Always false, for the callers to return.
bool TellReportFailed(DWORD error, const std::wstring& target) {
  Err(L"purlo-cli: the report could not be written completely (error " + std::to_wstring(error) + L")" +
      (target.empty() ? L"" : L": " + target + L" was left as it was") + L"\n");
  return false;
}

bool ReportWritten(const std::wstring& target) {
  const DWORD error = OutputError();
  return error == ERROR_SUCCESS || TellReportFailed(error, target);
}

bool ReportCommitted(ReportFile& report, const std::wstring& target) {
  const DWORD error = report.Commit();
  return error == ERROR_SUCCESS || TellReportFailed(error, target);
}

}  // namespace

void StopOnConsoleInterrupt() {
  // A process started as the head of a new group ignores Ctrl+C until it asks for it.
  ::SetConsoleCtrlHandler(nullptr, FALSE);
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool WasInterrupted() { return interrupted.load(); }

int RunCommand(const RunOptions& options, purlo::ThreadStarter starter, std::vector<purlo::JunkCategory>* unreported) {
  if (!purlo::InitRunState()) {
    Err(std::wstring(options.sweep ? purlo::texts::kSweepFailed : purlo::texts::kScanFailed) + L"\n");
    return kExitFailed;
  }
  purlo::RunLock runLock;
  if (!runLock.Take()) {
    Err(L"purlo-cli: " + std::wstring(purlo::texts::kAnotherRunHoldsTheLock) +
        L" another scan or sweep is running (Purlo or purlo-cli); nothing was done, retry when it has ended\n");
    return kExitFailed;
  }
  ReportFile report;
  if (!options.output.empty()) {
    const DWORD error = report.Open(options.output);
    if (error != ERROR_SUCCESS) {
      Err(L"purlo-cli: cannot write the report file " + options.output + L" (error " + std::to_wstring(error) +
          L"); nothing was done\n");
      return kExitFailed;
    }
    SendReportTo(report.Handle());
  }
  const purlo::FileFilter filter(options.filter);
  const bool filters = options.filter.notAfter != 0 || !options.filter.keep.empty();
  purlo::RunFilter = filters ? &filter : nullptr;
  purlo::WindowsMajorVersion = purlo::MajorVersionFromGetVersion();
  CliView view(options.json, options.files, options.quiet);
  purlo::WindowsLookups lookups;
  innerStarter = starter;
  started.clear();
  view.StartProgress();
  purlo::StartResult result = options.sweep ? purlo::StartSweep(view, options.selection, lookups, RecordingStarter)
                                            : purlo::StartScan(view, options.selection, lookups, RecordingStarter);
  if (result != purlo::StartResult::Started) {
    // Workers started before the failure run on; let them end before the process does.
    purlo::WaitForAll(purlo::WorkerList->Snapshot());
    purlo::RunFilter = nullptr;
    SendReportTo(nullptr);
    return kExitFailed;
  }
  view.WaitForRunEnd();
  purlo::WorkerList->WaitForMonitors();
  purlo::RunFilter = nullptr;
  view.PrintEnd(options.sweep);
  const std::vector<purlo::JunkCategory> missing = view.Unreported(started);
  if (unreported != nullptr) *unreported = missing;
  for (purlo::JunkCategory category : missing) {
    Err(std::wstring(L"purlo-cli: ") + purlo::Info(category).identifier +
        L" did not report: its worker ended before it had a result\n");
  }
  bool written = ReportWritten(options.output);
  if (!options.output.empty()) {
    SendReportTo(nullptr);
    if (written) written = ReportCommitted(report, options.output);
  }
  if (!written || !missing.empty()) return kExitFailed;
  if (WasInterrupted()) return kExitInterrupted;
  // A scan only measures: what it could not reach is not a failure of its own.
  return options.sweep && view.AnythingLeft() ? kExitIncomplete : kExitDone;
}

}  // namespace cli

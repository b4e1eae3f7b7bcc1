#include "cli/Run.h"

#include <windows.h>

#include <atomic>
#include <memory>

#include "cli/CliView.h"
#include "cli/Console.h"
#include "cli/Json.h"
#include "cli/Messages.h"
#include "cli/ReportFile.h"
#include "engine/core/CategoryScope.h"
#include "engine/core/CompletionMonitor.h"
#include "engine/core/Run.h"
#include "engine/core/Texts.h"
#include "engine/core/UserLookups.h"
#include "engine/core/Users.h"
#include "engine/scan/ScanController.h"
#include "engine/scan/ScanWorker.h"
#include "engine/sweep/SweepController.h"
#include "engine/sweep/SweepWorker.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace cli {

namespace {

std::atomic<bool> interrupted{false};
// The command's run while it has one, for the console's interrupt to stop;
// the lock keeps the run from ending while the handler's thread tells it.
win::CriticalSection interruptibleLock;
purlo::Run* interruptible = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (interrupted.exchange(true)) return FALSE;  // the second time: end as usual
  win::Lock hold(interruptibleLock);
  if (interruptible != nullptr) interruptible->ShutdownRequested = 1;
  return TRUE;
}

// Makes the run the console's interrupt stops, for as long as it lives.
class Interruptible {
 public:
  explicit Interruptible(purlo::Run& run) {
    win::Lock hold(interruptibleLock);
    interruptible = &run;
    // Interrupted before the run existed: it stops at once.
    if (interrupted.load()) run.ShutdownRequested = 1;
  }
  ~Interruptible() {
    win::Lock hold(interruptibleLock);
    interruptible = nullptr;
  }
  Interruptible(const Interruptible&) = delete;
  Interruptible& operator=(const Interruptible&) = delete;
};

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
  Err(messages::ReportIncompleteLine(error, target));
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

namespace {

// One engine run of a command: for one user's categories, for the machine's,
// or (without a user option) for the whole selection.
struct PlannedRun {
  std::unique_ptr<purlo::UserLookups> lookups;  // handed to the run when its turn comes
  purlo::CleanedUser user;
  std::vector<purlo::JunkCategory> categories;
  bool forUser = false;  // an entry of "users"
  std::unique_ptr<CliView> view;
};

// The session's user for the whole selection; with --user or --all-users,
// each named profile's categories, then the machine's once. 0 or an exit code.
int PlanRuns(const RunOptions& options, int major, std::vector<PlannedRun>& runs) {
  purlo::WindowsAccounts accounts;
  auto isRunning = [&accounts](const purlo::CleanedUser& user) { return purlo::IsRunningAccount(accounts, user); };
  if (options.user.empty() && !options.allUsers) {
    PlannedRun run;
    const purlo::SessionChoice session = purlo::ChooseSessionUser(accounts);
    run.lookups = session.found ? std::make_unique<purlo::UserLookups>(session.user, purlo::RunPart::Whole,
                                                                      session.runningAccount)
                                : std::make_unique<purlo::UserLookups>();
    run.categories = options.selection;
    runs.push_back(std::move(run));
    return 0;
  }
  std::vector<purlo::CleanedUser> users;
  if (options.allUsers) {
    users = purlo::AllUsers(accounts);
  } else {
    purlo::CleanedUser user;
    switch (purlo::NamedUser(accounts, options.user, user)) {
      case purlo::NamedUserResult::Found: users.push_back(user); break;
      case purlo::NamedUserResult::Unknown:
        Err(messages::NoProfileLine(options.user));
        return kExitUsage;
      case purlo::NamedUserResult::ProfileRefused:
        Err(messages::ProfileRefusedLine(options.user));
        return kExitFailed;
    }
  }
  for (const purlo::CleanedUser& user : users) {
    PlannedRun run;
    run.lookups = std::make_unique<purlo::UserLookups>(user, purlo::RunPart::User, isRunning(user));
    run.user = user;
    run.categories = purlo::CategoriesOfPart(options.selection, purlo::RunPart::User, major);
    run.forUser = true;
    runs.push_back(std::move(run));
  }
  PlannedRun machine;
  machine.lookups = std::make_unique<purlo::UserLookups>();
  machine.categories = purlo::CategoriesOfPart(options.selection, purlo::RunPart::Machine, major);
  runs.push_back(std::move(machine));
  return 0;
}

// A variable of a keep pattern: the user's own are theirs, the system's the
// system's, any other this process's (a pattern only ever spares files).
std::wstring KeepVariable(purlo::UserLookups& lookups, const std::wstring& name) {
  std::wstring value = lookups.Variable(name);
  if (!value.empty() || purlo::IsUserVariable(name)) return value;
  wchar_t buffer[1024];
  const DWORD n = ::GetEnvironmentVariableW(name.c_str(), buffer, 1024);
  return n > 0 && n < 1024 ? std::wstring(buffer, n) : std::wstring();
}

// The keep list as this user reads it: %USERPROFILE%, %TEMP% and the rest
// are theirs, trailing separators dropped.
purlo::FilterRules RulesFor(const purlo::FilterRules& written, purlo::UserLookups& lookups) {
  purlo::FilterRules rules = written;
  for (std::wstring& pattern : rules.keep) {
    std::wstring expanded;
    if (purlo::ExpandReferences(
            pattern, [&lookups](const std::wstring& name) { return KeepVariable(lookups, name); }, expanded)) {
      pattern = expanded;
    }
    while (pattern.size() > 1 && (pattern.back() == L'\\' || pattern.back() == L'/')) pattern.pop_back();
  }
  return rules;
}

std::wstring UserHeading(const purlo::CleanedUser& user) {
  return L"== " + user.name + L" (" + user.sid + L"): " + user.profile + L"\n";
}

std::wstring UsersDocument(std::vector<PlannedRun>& runs, bool sweep) {
  std::wstring doc = L"{\"run\":";
  doc += sweep ? L"\"sweep\"" : L"\"scan\"";
  doc += L",\"users\":[";
  uint64_t items = 0, bytes = 0;
  bool first = true;
  for (PlannedRun& run : runs) {
    run.view->AddTotals(items, bytes);
    if (!run.forUser) continue;
    const purlo::CleanedUser& user = run.user;
    if (!first) doc += L",";
    first = false;
    doc += L"{\"sid\":" + JsonString(user.sid) + L",\"name\":" + JsonString(user.name) + L",\"profile\":" +
           JsonString(user.profile) + L",\"categories\":" + run.view->JsonCategories(sweep) + L",\"summary\":" +
           JsonString(run.view->Summary()) + L"}";
  }
  PlannedRun& machine = runs.back();
  doc += L"],\"categories\":" + machine.view->JsonCategories(sweep);
  doc += L",\"summary\":" + JsonString(machine.view->Summary());
  doc += L",\"total\":{\"items\":" + win::Decimal(items) + L",\"bytes\":" + win::Decimal(bytes) + L"}}\n";
  return doc;
}

}  // namespace

int RunCommand(const RunOptions& options, purlo::ThreadStarter starter, std::vector<purlo::JunkCategory>* unreported) {
  purlo::Run engineRun;
  const Interruptible stoppable(engineRun);
  if (!engineRun.Ready()) {
    Err(messages::RunNotStartedLine(options.sweep));
    return kExitFailed;
  }
  std::vector<PlannedRun> runs;
  const int planned = PlanRuns(options, engineRun.WindowsMajorVersion, runs);
  if (planned != 0) return planned;
  if (!engineRun.TakeLock()) {
    Err(messages::AnotherRunLine());
    return kExitFailed;
  }
  ReportFile report;
  if (!options.output.empty()) {
    const DWORD error = report.Open(options.output);
    if (error != ERROR_SUCCESS) {
      Err(messages::ReportFileUnwritableLine(options.output, error));
      return kExitFailed;
    }
    SendReportTo(report.Handle());
  }
  const bool byUser = options.allUsers || !options.user.empty();
  const bool filters = options.filter.notAfter != 0 || !options.filter.keep.empty();
  const purlo::WorkerKind& kind = options.sweep ? purlo::SweepWorkers() : purlo::ScanWorkers();
  innerStarter = starter;
  std::vector<purlo::JunkCategory> missing;
  bool anythingLeft = false;
  for (PlannedRun& run : runs) {
    run.view = std::make_unique<CliView>(options.json, options.files, options.quiet);
    // One run after another under the one lock; an interrupted one ends the command.
    if (WasInterrupted() || (byUser && run.categories.empty())) continue;
    if (!options.json && byUser) {
      Out(run.forUser ? UserHeading(run.user) : std::wstring(L"== machine\n"));
    }
    engineRun.SetFilter(filters ? std::make_shared<const purlo::FileFilter>(RulesFor(options.filter, *run.lookups))
                                : nullptr);
    engineRun.CleanFor(std::move(run.lookups));
    CliView& view = *run.view;
    started.clear();
    view.StartProgress();
    if (purlo::StartRun(engineRun, view, run.categories, kind, RecordingStarter) != purlo::RunStart::Started) {
      // Workers started before the failure run on; let them end before the process does.
      purlo::WaitForAll(engineRun.WorkerList.Snapshot());
      engineRun.WorkerList.WaitForMonitors();
      SendReportTo(nullptr);
      return kExitFailed;
    }
    view.WaitForRunEnd();
    engineRun.WorkerList.WaitForMonitors();
    if (!options.json || !byUser) view.PrintEnd(options.sweep);
    const std::vector<purlo::JunkCategory> lost = view.Unreported(started);
    missing.insert(missing.end(), lost.begin(), lost.end());
    anythingLeft = anythingLeft || view.AnythingLeft();
  }
  if (options.json && byUser) Out(UsersDocument(runs, options.sweep));
  if (unreported != nullptr) *unreported = missing;
  for (purlo::JunkCategory category : missing) {
    Err(messages::DidNotReportLine(purlo::Info(category).identifier));
  }
  bool written = ReportWritten(options.output);
  if (!options.output.empty()) {
    SendReportTo(nullptr);
    if (written) written = ReportCommitted(report, options.output);
  }
  if (!written || !missing.empty()) return kExitFailed;
  if (WasInterrupted()) return kExitInterrupted;
  // A scan only measures: what it could not reach is not a failure of its own.
  return options.sweep && anythingLeft ? kExitIncomplete : kExitDone;
}

}  // namespace cli

#include "engine/core/WorkerStart.h"

#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "engine/core/CategoryScope.h"
#include "engine/core/CompletionMonitor.h"
#include "engine/core/InUse.h"
#include "engine/core/RootJudge.h"
#include "engine/core/RootRules.h"
#include "engine/core/Texts.h"
#include "engine/core/WorkerMethod.h"
#include "win/Text.h"

namespace purlo {

std::wstring TempPathFailureText(DWORD error) {
  char text[64];
  std::snprintf(text, sizeof text, "GetTempPath failed with error %d.\n", static_cast<int>(error));
  return win::FromUtf8(text);
}

namespace {

bool AnyFileRoots(const std::vector<JunkCategory>& categories) {
  for (JunkCategory category : categories) {
    if (HasFileRoots(category)) return true;
  }
  return false;
}

}  // namespace

namespace {

struct Refused {
  std::wstring path;
  RootRefusal why;
};

struct PreparedTask {
  JunkCategory category;
  std::vector<std::wstring> paths;
  std::vector<RootClass> classes;
  std::vector<std::wstring> locks;
  std::vector<const wchar_t*> patterns;
  std::vector<bool> oneFile;
  std::vector<ResolvedRoot> resolved;
  std::vector<Refused> refused;
  std::vector<std::wstring> inUse;  // roots left whole: their program holds its lock
};

// Whether a root's lock is held now; each lock asked once per task.
bool LockHeld(const std::wstring& lock, std::map<std::wstring, bool>& asked) {
  if (lock.empty()) return false;
  auto it = asked.find(lock);
  if (it == asked.end()) it = asked.emplace(lock, IsLockHeld(lock)).first;
  return it->second;
}

// Each root opened once and judged by its class; the refused are left out,
// and so are the roots of a program that runs.
void ResolveRoots(RootJudge& judge, int windowsMajor, PreparedTask& task) {
  if (!HasFileRoots(task.category)) return;
  const CountingMethod method = ChooseMethod(task.category, windowsMajor).method;
  const bool files = method == CountingMethod::OneFile || method == CountingMethod::EveryFile;
  std::map<std::wstring, bool> locks;
  std::vector<std::wstring> kept;
  for (size_t i = 0; i < task.paths.size(); ++i) {
    ResolvedRoot root;
    RootRefusal why = RootRefusal::BadSpelling;
    if (i < task.locks.size() && LockHeld(task.locks[i], locks)) {
      task.inUse.push_back(task.paths[i]);
      continue;
    }
    const bool file = files || (i < task.oneFile.size() && task.oneFile[i]);
    if (judge.Resolve(task.paths[i], task.classes[i], file, root, why) == Judgement::Refused) {
      task.refused.push_back(Refused{task.paths[i], why});
      continue;
    }
    kept.push_back(task.paths[i]);
    if (i < task.patterns.size()) root.namePattern = task.patterns[i];
    task.resolved.push_back(std::move(root));
  }
  task.paths.swap(kept);
}

std::vector<std::wstring> ProtectedFolderList(SystemLookups& lookups) {
  std::vector<std::wstring> folders = lookups.SystemFolders();
  std::wstring profile;
  if (lookups.ProfileFolder(profile)) folders.push_back(profile);
  return folders;
}

}  // namespace

StartResult StartWorkers(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                         ThreadStarter starter, const WorkerKind& kind) {
  run.RunMode = kind.mode;
  view.RunStarted(kind.mode);
  const int windowsMajor = run.WindowsMajorVersion;
  const std::vector<JunkCategory> categories = InRunOrder(ticked);
  // Looked up once per start, as the machine stands now.
  const auto protectedFolders = std::make_shared<const ProtectedFolders>(
      AnyFileRoots(categories) ? ProtectedFolders(ProtectedFolderList(lookups)) : ProtectedFolders());
  RootJudge judge(protectedFolders, &lookups);
  // Every category's roots before any worker starts: each worker knows all of them.
  std::vector<PreparedTask> tasks;
  auto runRoots = std::make_shared<RunRoots>();
  const UserFacts user = lookups.User();
  const auto hive = lookups.UserHive();
  for (JunkCategory category : categories) {
    // What the user cannot have is told before anything of it is built.
    const CategoryStatus status = StatusBeforeStart(category, windowsMajor, user);
    if (status != CategoryStatus::Done) {
      view.CategoryNotRun(category, status);
      continue;
    }
    Roots roots = BuildRoots(category, windowsMajor, lookups);
    if (roots.outcome == RootsOutcome::TempPathFailed) {
      view.ShowMessage(TempPathFailureText(roots.error), texts::kAppTitle, MB_OK);
      return StartResult::TempPathFailed;
    }
    if (roots.outcome == RootsOutcome::NotInstalled) {
      view.CategoryNotRun(category, CategoryStatus::NotInstalled);
      continue;
    }
    PreparedTask task{category,
                      std::move(roots.paths),
                      std::move(roots.classes),
                      std::move(roots.locks),
                      std::move(roots.patterns),
                      std::move(roots.oneFile),
                      {},
                      {},
                      {}};
    ResolveRoots(judge, windowsMajor, task);
    if (ChooseMethod(category, windowsMajor).method == CountingMethod::FolderTrees) {
      runRoots->Add(category, task.resolved);
    }
    tasks.push_back(std::move(task));
  }
  for (PreparedTask& prepared : tasks) {
    const JunkCategory category = prepared.category;
    for (const Refused& refused : prepared.refused) view.RootRefused(category, refused.path, refused.why);
    auto* task = new ScanTask{&run, std::move(prepared.paths), &view, Info(category).taskLabel, category,
                              protectedFolders, runRoots, true, std::move(prepared.resolved), hive,
                              std::move(prepared.inUse)};
    if (kind.beforeEach != nullptr) kind.beforeEach(run);
    win::UniqueThread worker(starter(kind.entry, task));
    if (!worker) {
      delete task;
      view.ShowMessage(kind.failureText(category), texts::kAppTitle, MB_OK);
      return StartResult::ThreadFailed;
    }
    run.WorkerList.Append(std::move(worker));
    view.CategoryStarted(category);
  }
  if (!StartCompletionMonitor(run, view, starter)) {
    view.ShowMessage(kind.failureText(JunkCategory::SystemTemp), texts::kAppTitle, MB_OK);
    return StartResult::ThreadFailed;
  }
  return StartResult::Started;
}

RunStart StartRun(Run& run, RunView& view, const std::vector<JunkCategory>& ticked, const WorkerKind& kind,
                  ThreadStarter starter) {
  run.RunGate.Open();
  switch (StartWorkers(run, view, ticked, run.Lookups(), starter, kind)) {
    case StartResult::Started: return RunStart::Started;
    case StartResult::TempPathFailed: return RunStart::FailedEndHere;  // nothing was started
    case StartResult::ThreadFailed: break;
  }
  // The workers already started are a run of their own: a monitor ends it.
  return StartCompletionMonitor(run, view, starter) ? RunStart::FailedEnding : RunStart::FailedEndHere;
}

}  // namespace purlo

#include "engine/core/WorkerStart.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "engine/core/CategoryScope.h"
#include "engine/core/CompletionMonitor.h"
#include "engine/core/RootJudge.h"
#include "engine/core/RootRules.h"
#include "engine/core/RunState.h"
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
  std::vector<ResolvedRoot> resolved;
  std::vector<Refused> refused;
};

// Each root opened once and judged by its class; the refused are left out.
void ResolveRoots(RootJudge& judge, PreparedTask& task) {
  if (!HasFileRoots(task.category)) return;
  const CountingMethod method = ChooseMethod(task.category, WindowsMajorVersion).method;
  const bool files = method == CountingMethod::OneFile || method == CountingMethod::EveryFile;
  std::vector<std::wstring> kept;
  for (size_t i = 0; i < task.paths.size(); ++i) {
    ResolvedRoot root;
    RootRefusal why = RootRefusal::BadSpelling;
    if (judge.Resolve(task.paths[i], task.classes[i], files, root, why) == Judgement::Refused) {
      task.refused.push_back(Refused{task.paths[i], why});
      continue;
    }
    kept.push_back(task.paths[i]);
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

StartResult StartWorkers(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                         ThreadStarter starter, const WorkerKind& kind) {
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
    const CategoryStatus status = StatusBeforeStart(category, WindowsMajorVersion, user);
    if (status != CategoryStatus::Done) {
      view.CategoryNotRun(category, status);
      continue;
    }
    Roots roots = BuildRoots(category, WindowsMajorVersion, lookups);
    if (roots.outcome == RootsOutcome::TempPathFailed) {
      view.ShowMessage(TempPathFailureText(roots.error), texts::kAppTitle, MB_OK);
      return StartResult::TempPathFailed;
    }
    if (roots.outcome == RootsOutcome::NotInstalled) {
      view.CategoryNotRun(category, CategoryStatus::NotInstalled);
      continue;
    }
    PreparedTask task{category, std::move(roots.paths), std::move(roots.classes), {}, {}};
    ResolveRoots(judge, task);
    if (ChooseMethod(category, WindowsMajorVersion).method == CountingMethod::FolderTrees) {
      runRoots->Add(category, task.resolved);
    }
    tasks.push_back(std::move(task));
  }
  for (PreparedTask& prepared : tasks) {
    const JunkCategory category = prepared.category;
    for (const Refused& refused : prepared.refused) view.RootRefused(category, refused.path, refused.why);
    auto* task = new ScanTask{std::move(prepared.paths), &view, Info(category).taskLabel, category, protectedFolders,
                              runRoots, true, std::move(prepared.resolved), hive};
    if (kind.beforeEach != nullptr) kind.beforeEach();
    win::UniqueThread worker(starter(kind.entry, task));
    if (!worker) {
      delete task;
      view.ShowMessage(kind.failureText(category), texts::kAppTitle, MB_OK);
      return StartResult::ThreadFailed;
    }
    WorkerList->Append(std::move(worker));
    if (kind.afterEach != nullptr) kind.afterEach(view);
  }
  if (!StartCompletionMonitor(view, starter)) {
    view.ShowMessage(kind.failureText(JunkCategory::SystemTemp), texts::kAppTitle, MB_OK);
    return StartResult::ThreadFailed;
  }
  return StartResult::Started;
}

}  // namespace purlo

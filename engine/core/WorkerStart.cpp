#include "engine/core/WorkerStart.h"

#include <cstdio>
#include <memory>
#include <utility>

#include "engine/core/CategoryScope.h"
#include "engine/core/CompletionMonitor.h"
#include "engine/core/RootRules.h"
#include "engine/core/RunState.h"
#include "engine/core/Texts.h"
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

StartResult StartWorkers(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                         ThreadStarter starter, const WorkerKind& kind) {
  const std::vector<JunkCategory> categories = InRunOrder(ticked);
  // Looked up once per start, as the machine stands now.
  const auto protectedFolders = std::make_shared<const ProtectedFolders>(
      AnyFileRoots(categories) ? ProtectedFolders(lookups.SystemFolders()) : ProtectedFolders());
  // Every category's roots before any worker starts: each worker knows all of them.
  std::vector<std::pair<JunkCategory, Roots>> tasks;
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
    RefuseProtectedRoots(category, roots, *protectedFolders);
    if (HasFileRoots(category)) runRoots->Add(category, roots.paths);
    tasks.push_back({category, std::move(roots)});
  }
  for (auto& [category, roots] : tasks) {
    for (const RefusedRoot& refused : roots.refused) view.RootRefused(category, refused.path, refused.why);
    auto* task =
        new ScanTask{std::move(roots.paths), &view, Info(category).taskLabel, category, protectedFolders, runRoots, hive};
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

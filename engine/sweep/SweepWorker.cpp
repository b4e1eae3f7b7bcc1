#include "engine/sweep/SweepWorker.h"

#include <shellapi.h>

#include <memory>

#include "engine/core/ByteCount.h"
#include "engine/core/CategoryWalk.h"
#include "engine/core/FileFilter.h"
#include "engine/core/Paths.h"
#include "engine/core/RecycleBin.h"
#include "engine/core/Run.h"
#include "engine/core/WorkerMethod.h"
#include "engine/sweep/DeleteGuard.h"
#include "engine/sweep/FileTreeDeleter.h"
#include "engine/sweep/HandlerSweep.h"
#include "engine/sweep/RecycleBinLinks.h"
#include "engine/sweep/RegistryHistory.h"

namespace purlo {

namespace {

// One single file: 1 and its size only when it was deleted. Its attributes are
// left as they are, so a read-only history file stays.
void SweepOneFile(const ScanTask& task, const ResolvedRoot& root, CategoryResult& result,
                  std::vector<FileIdentity>* seen = nullptr) {
  KeptFiles kept;
  const bool keep = root.exists && KeptSingleFile(task.run->Filter(), root.path, kept);
  AddKept(result, kept);
  if (!root.exists || keep) return;
  FileDeletion deletion = DeleteFileIn(root.folder, root.fileName, false, seen);
  if (deletion.outcome == DeleteOutcome::Deleted) {
    result.items += 1;
    AddBytes(result.bytes, deletion.bytes);
  } else if (deletion.outcome == DeleteOutcome::Failed) {
    result.failedPaths.push_back(root.path);
  } else if (deletion.outcome == DeleteOutcome::Elsewhere) {
    result.skippedPaths.push_back(root.path);
  }
}

void SweepEveryFile(const ScanTask& task, CategoryResult& result) {
  std::vector<FileIdentity> seen;  // a file named by two roots is one file
  std::vector<ResolvedRoot> opened;
  for (const ResolvedRoot& root : RootsOf(task, true, opened)) {
    CategoryResult one;
    SweepOneFile(task, root, one, &seen);
    task.run->RunningTotals.Add(one.items, static_cast<double>(one.bytes));
    AddKept(result, KeptFiles{one.keptFiles, one.keptBytes});
    result.items += one.items;
    AddBytes(result.bytes, one.bytes);
    result.failedPaths.insert(result.failedPaths.end(), one.failedPaths.begin(), one.failedPaths.end());
    result.skippedPaths.insert(result.skippedPaths.end(), one.skippedPaths.begin(), one.skippedPaths.end());
  }
}

void SweepFirstFile(const ScanTask& task, CategoryResult& result) {
  std::vector<ResolvedRoot> opened;
  const std::vector<ResolvedRoot>& roots = RootsOf(task, true, opened);
  if (!roots.empty()) SweepOneFile(task, roots[0], result);
}

// Every root of the task stays, walked or not; a root inside another is
// emptied as part of it.
void SweepFolderTrees(const ScanTask& task, CategoryResult& result) {
  FileTreeDeleter walker(task.owner, task.item);
  walker.Walker().SetProtectedFolders(task.protectedFolders);
  walker.Walker().SetRunRoots(task.runRoots);
  walker.Walker().SetRun(task.run);
  std::vector<ResolvedRoot> opened;
  const std::vector<ResolvedRoot>& roots = RootsOf(task, false, opened);
  std::vector<FileIdentity> kept;
  for (const ResolvedRoot& root : roots) {
    if (root.exists && root.fileName.empty()) kept.push_back(root.folder.identity);
  }
  walker.SetKeptFolders(std::move(kept));
  for (const ResolvedRoot& root : roots) {
    if (root.fileName.empty() || CategoryLeavesSingleFile(task.item, root.path, root.namePattern)) continue;
    SweepOneFile(task, root, result);
  }
  for (const ResolvedRoot* root : OutermostRoots(roots)) {
    walker.Walker().SetNamePattern(root->namePattern);
    WalkResult walked = walker.SweepRoot(root->folder);
    walker.Reset();
    result.items += static_cast<uint64_t>(walked.files);
    AddBytes(result.bytes, walked.bytes);
    result.failedPaths.insert(result.failedPaths.end(), walked.failedPaths.begin(), walked.failedPaths.end());
    result.skippedPaths.insert(result.skippedPaths.end(), walked.skippedPaths.begin(), walked.skippedPaths.end());
    AddKept(result, walked.kept);
  }
  task.run->RunningTotals.Add(result.items, static_cast<double>(result.bytes));
}

// What went: the shell's figures before emptying less what it still holds
// afterwards. Emptying can report success and leave items behind (Wine keeps
// trashed folders), and those were not freed. The bin's links go first, as
// links; while one stays that could not, the bin is not emptied (the shell
// might follow it), and those links are reported as not deleted.
void SweepRecycleBin(RunningTotalsStore& totals, CategoryResult& result) {
  const BinContents before = RecycleBinContents();
  result.failedPaths = RemoveRecycleBinLinks();
  if (result.failedPaths.empty()) {
    ::SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
  }
  const BinContents after = RecycleBinContents();
  result.items = before.items > after.items ? before.items - after.items : 0;
  result.bytes = before.bytes > after.bytes ? before.bytes - after.bytes : 0;
  totals.Add(result.items, static_cast<double>(result.bytes));
}

}  // namespace

unsigned __stdcall SweepWorker(void* param) {
  std::unique_ptr<ScanTask> task(static_cast<ScanTask*>(param));
  RunningTotalsStore& totals = task->run->RunningTotals;
  const MethodChoice choice = ChooseMethod(task->item, task->run->WindowsMajorVersion);
  CategoryResult result;
  result.enablesSweepNow = true;
  switch (choice.method) {
    case CountingMethod::RecycleBin: SweepRecycleBin(totals, result); break;
    case CountingMethod::RegistryValues:
      result.items =
          RemoveHistoryKeys(task->item, task->run->WindowsMajorVersion, task->hive ? task->hive->Get() : HKEY_CURRENT_USER);
      totals.Add(result.items, 0.0);
      break;
    case CountingMethod::OneFile:
      result.enablesSweepNow = false;
      SweepFirstFile(*task, result);
      totals.Add(result.items, static_cast<double>(result.bytes));
      break;
    case CountingMethod::EveryFile:
      result.enablesSweepNow = false;
      SweepEveryFile(*task, result);
      break;
    case CountingMethod::FolderTrees: SweepFolderTrees(*task, result); break;
    case CountingMethod::CleanupHandlers:
      result.enablesSweepNow = false;
      SweepCleanupHandlers(*task, Info(task->item).handlers, result);
      totals.Add(0, static_cast<double>(result.bytes));
      break;
    case CountingMethod::ByWindowsVersion:  // resolved by ChooseMethod
    case CountingMethod::Nothing:
      result.enablesSweepNow = false;
      totals.Add(0, 0.0);
      break;
  }
  WriteResult(*task, result, choice.method, true);
  return 0;
}

}  // namespace purlo

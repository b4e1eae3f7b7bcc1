#include "engine/scan/ScanWorker.h"

#include <memory>

#include "engine/core/ByteCount.h"
#include "engine/core/CategoryWalk.h"
#include "engine/core/CheckedOpen.h"
#include "engine/core/FileFilter.h"
#include "engine/core/Paths.h"
#include "engine/core/RecycleBin.h"
#include "engine/core/RegistryKeys.h"
#include "engine/core/RootRules.h"
#include "engine/core/Run.h"
#include "engine/core/RunView.h"
#include "engine/core/WorkerMethod.h"
#include "engine/scan/FileTreeScanner.h"
#include "engine/scan/HandlerScan.h"
#include "win/Handles.h"

namespace purlo {

namespace {

Measured MeasureOpened(const OpenedFile& opened) {
  Measured one;
  switch (opened.check) {
    case SingleFileCheck::Ready:
    case SingleFileCheck::Elsewhere:
      one.items = 1;
      one.bytes = opened.facts.size;
      break;
    case SingleFileCheck::Failed: one.items = 1; break;
    case SingleFileCheck::Protected: one.refused = true; break;
    case SingleFileCheck::Missing: break;
  }
  return one;
}

}  // namespace

Measured MeasureOneFile(const std::wstring& path, const ProtectedFolders& protectedFolders,
                        std::vector<FileIdentity>* seen) {
  return MeasureOpened(OpenSingleFile(path, protectedFolders, OpenFor::Measuring, seen));
}

uint64_t CountRegistryValues(const wchar_t* key, HKEY root) {
  if (key == nullptr) return 0;
  // A link counts nothing: its values are not this category's history.
  win::UniqueRegKey k = OpenKeyWithoutLinks(root, key, KEY_READ);
  return k ? ValuesIn(k.Get()) : 0;
}

uint64_t CountHistoryKeys(JunkCategory category, int windowsMajor, HKEY root) {
  uint64_t values = 0;
  for (const KeyRecipe& history : HistoryKeys(category, windowsMajor)) {
    values += CountRegistryValues(history.key, root);
    if (!history.withSubkeys) continue;
    // Each sub-key opened on its own without links: a link counts nothing.
    for (const std::wstring& sub : SubkeyNames(root, history.key)) {
      values += CountRegistryValues((std::wstring(history.key) + L"\\" + sub).c_str(), root);
    }
  }
  return values;
}

namespace {

HKEY HiveOf(const ScanTask& task) { return task.hive ? task.hive->Get() : HKEY_CURRENT_USER; }

Measured ScanOneFile(const ScanTask& task, const ResolvedRoot& root, std::vector<FileIdentity>* seen = nullptr) {
  Measured one;
  if (!root.exists || KeptSingleFile(task.run->Filter(), root.path, one.kept)) return one;
  one = MeasureOpened(OpenFileIn(root.folder, root.fileName, OpenFor::Measuring, seen));
  if (one.items > 0) task.owner->FileCounted(task.item, root.path, one.bytes);
  return one;
}

Measured ScanFolderTrees(const ScanTask& task) {
  Measured total;
  FileTreeScanner scanner(task.owner, task.item);
  scanner.Walker().SetProtectedFolders(task.protectedFolders);
  scanner.Walker().SetRunRoots(task.runRoots);
  scanner.Walker().SetRun(task.run);
  std::vector<ResolvedRoot> opened;
  const std::vector<ResolvedRoot>& roots = RootsOf(task, false, opened);
  for (const ResolvedRoot& root : roots) {
    if (root.fileName.empty() || CategoryLeavesSingleFile(task.item, root.path, root.namePattern)) continue;
    Measured one = ScanOneFile(task, root);
    total.items += one.items;
    AddBytes(total.bytes, one.bytes);
    total.kept.Add(one.kept);
  }
  for (const ResolvedRoot* root : OutermostRoots(roots)) {
    scanner.Walker().SetNamePattern(root->namePattern);
    WalkResult walked = scanner.ScanRoot(root->folder);
    total.items += static_cast<uint64_t>(walked.files);
    AddBytes(total.bytes, walked.bytes);
    total.kept.Add(walked.kept);
    scanner.Reset();
  }
  task.run->RunningTotals.Add(total.items, static_cast<double>(total.bytes));
  return total;
}

Measured ScanEveryFile(const ScanTask& task) {
  Measured total;
  std::vector<FileIdentity> seen;  // a file named by two roots counts once
  std::vector<ResolvedRoot> opened;
  for (const ResolvedRoot& root : RootsOf(task, true, opened)) {
    Measured one = ScanOneFile(task, root, &seen);
    task.run->RunningTotals.Add(one.items, static_cast<double>(one.bytes));
    total.items += one.items;
    AddBytes(total.bytes, one.bytes);
    total.kept.Add(one.kept);
  }
  return total;
}

Measured ScanFirstFile(const ScanTask& task) {
  std::vector<ResolvedRoot> opened;
  const std::vector<ResolvedRoot>& roots = RootsOf(task, true, opened);
  return roots.empty() ? Measured{} : ScanOneFile(task, roots[0]);
}

}  // namespace

unsigned __stdcall ScanWorker(void* param) {
  std::unique_ptr<ScanTask> task(static_cast<ScanTask*>(param));
  RunningTotalsStore& totals = task->run->RunningTotals;
  const MethodChoice choice = ChooseMethod(task->item, task->run->WindowsMajorVersion);
  Measured measured;
  switch (choice.method) {
    case CountingMethod::RecycleBin: {
      const BinContents bin = RecycleBinContents();
      measured.items = bin.items;
      measured.bytes = bin.bytes;
      totals.Add(measured.items, static_cast<double>(measured.bytes));
      break;
    }
    case CountingMethod::RegistryValues:
      measured.items = CountHistoryKeys(task->item, task->run->WindowsMajorVersion, HiveOf(*task));
      totals.Add(measured.items, 0.0);
      break;
    case CountingMethod::OneFile:
      measured = ScanFirstFile(*task);
      totals.Add(measured.items, static_cast<double>(measured.bytes));
      break;
    case CountingMethod::EveryFile: measured = ScanEveryFile(*task); break;
    case CountingMethod::FolderTrees: measured = ScanFolderTrees(*task); break;
    case CountingMethod::CleanupHandlers:
      measured.bytes = ScanCleanupHandlers(*task, Info(task->item).handlers);
      totals.Add(0, static_cast<double>(measured.bytes));
      break;
    case CountingMethod::ByWindowsVersion:  // resolved by ChooseMethod
    case CountingMethod::Nothing: totals.Add(0, 0.0); break;
  }
  CategoryResult result;
  result.items = measured.items;
  result.bytes = measured.bytes;
  AddKept(result, measured.kept);
  WriteResult(*task, result, choice.method, false);
  return 0;
}

}  // namespace purlo

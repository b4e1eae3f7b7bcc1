#include "engine/scan/ScanWorker.h"

#include <shellapi.h>

#include <memory>

#include "engine/core/ByteCount.h"
#include "engine/core/CheckedOpen.h"
#include "engine/core/FileFilter.h"
#include "engine/core/FileTreeWalker.h"
#include "engine/core/Paths.h"
#include "engine/core/RegistryKeys.h"
#include "engine/core/RunView.h"
#include "engine/core/WorkerMethod.h"
#include "engine/scan/HandlerScan.h"
#include "win/Handles.h"

namespace purlo {

Measured MeasureOneFile(const std::wstring& path, const ProtectedFolders& protectedFolders,
                        std::vector<FileIdentity>* seen) {
  OpenedFile opened = OpenSingleFile(path, protectedFolders, OpenFor::Measuring, seen);
  switch (opened.check) {
    case SingleFileCheck::Ready:
    case SingleFileCheck::Elsewhere: return {1, opened.facts.size};
    case SingleFileCheck::Failed: return {1, 0};
    case SingleFileCheck::Protected: return {0, 0, true};
    case SingleFileCheck::Missing: break;
  }
  return {};
}

static_assert(sizeof(SHQUERYRBINFO) == (sizeof(void*) == 8 ? 24 : 20), "the shell checks the record's size");

Measured MeasureRecycleBin() {
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof(info);  // 20 on 32-bit Windows, 24 on x64
  if (FAILED(::SHQueryRecycleBinW(nullptr, &info))) return {};
  return {static_cast<uint64_t>(info.i64NumItems), static_cast<uint64_t>(info.i64Size)};
}

uint64_t CountRegistryValues(const wchar_t* key, HKEY root) {
  if (key == nullptr) return 0;
  // A link counts nothing: its values are not this category's history.
  win::UniqueRegKey k = OpenKeyWithoutLinks(root, key, KEY_READ);
  if (!k) return 0;
  DWORD values = 0;
  if (::RegQueryInfoKeyW(k.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return values;
}

namespace {

HKEY HiveOf(const ScanTask& task) { return task.hive ? task.hive->Get() : HKEY_CURRENT_USER; }

Measured MeasureOpened(const OpenedFile& opened) {
  switch (opened.check) {
    case SingleFileCheck::Ready:
    case SingleFileCheck::Elsewhere: return {1, opened.facts.size};
    case SingleFileCheck::Failed: return {1, 0};
    case SingleFileCheck::Protected:
    case SingleFileCheck::Missing: break;
  }
  return {};
}

Measured ScanOneFile(const ScanTask& task, const ResolvedRoot& root, std::vector<FileIdentity>* seen = nullptr) {
  if (!root.exists || KeptSingleFile(root.path)) return {};
  Measured one = MeasureOpened(OpenFileIn(root.folder, root.fileName, OpenFor::Measuring, seen));
  if (one.items > 0) task.owner->FileCounted(task.item, root.path, one.bytes);
  return one;
}

Measured ScanFolderTrees(const ScanTask& task) {
  Measured total;
  FileTreeWalker walker(task.owner, task.item);
  walker.SetProtectedFolders(task.protectedFolders);
  walker.SetRunRoots(task.runRoots);
  std::vector<ResolvedRoot> opened;
  for (const ResolvedRoot* root : OutermostRoots(RootsOf(task, false, opened))) {
    WalkResult walked = walker.ScanRoot(root->folder);
    total.items += static_cast<uint64_t>(walked.files);
    AddBytes(total.bytes, walked.bytes);
    walker.Reset();
  }
  RunningTotals.Add(total.items, static_cast<double>(total.bytes));
  return total;
}

Measured ScanEveryFile(const ScanTask& task) {
  Measured total;
  std::vector<FileIdentity> seen;  // a file named by two roots counts once
  std::vector<ResolvedRoot> opened;
  for (const ResolvedRoot& root : RootsOf(task, true, opened)) {
    Measured one = ScanOneFile(task, root, &seen);
    RunningTotals.Add(one.items, static_cast<double>(one.bytes));
    total.items += one.items;
    AddBytes(total.bytes, one.bytes);
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
  const MethodChoice choice = ChooseMethod(task->item, WindowsMajorVersion);
  Measured measured;
  switch (choice.method) {
    case CountingMethod::RecycleBin:
      measured = MeasureRecycleBin();
      RunningTotals.Add(measured.items, static_cast<double>(measured.bytes));
      break;
    case CountingMethod::RegistryValues:
      measured.items = CountRegistryValues(choice.key, HiveOf(*task));
      RunningTotals.Add(measured.items, 0.0);
      break;
    case CountingMethod::OneFile:
      measured = ScanFirstFile(*task);
      RunningTotals.Add(measured.items, static_cast<double>(measured.bytes));
      break;
    case CountingMethod::EveryFile: measured = ScanEveryFile(*task); break;
    case CountingMethod::FolderTrees: measured = ScanFolderTrees(*task); break;
    case CountingMethod::CleanupHandlers:
      measured.bytes = ScanCleanupHandlers(*task, Info(task->item).handlers);
      RunningTotals.Add(0, static_cast<double>(measured.bytes));
      break;
    case CountingMethod::ByWindowsVersion:  // resolved by ChooseMethod
    case CountingMethod::Nothing: RunningTotals.Add(0, 0.0); break;
  }
  CategoryResult result;
  result.items = measured.items;
  result.bytes = measured.bytes;
  WriteResult(*task, result, choice.method, false);
  return 0;
}

}  // namespace purlo

#include "engine/core/WorkerMethod.h"

#include "engine/core/ByteCount.h"
#include "engine/core/LabelText.h"
#include "engine/core/RootRules.h"

namespace purlo {

namespace {

MethodChoice ByWindowsVersion(int windowsMajor) {
  if (windowsMajor == 5) return {CountingMethod::OneFile};
  if (windowsMajor == 6) return {CountingMethod::FolderTrees};
  return {CountingMethod::Nothing};
}

}  // namespace

MethodChoice ChooseMethod(JunkCategory category, int windowsMajor) {
  const CountingMethod method = Info(category).method;
  switch (method) {
    case CountingMethod::RegistryValues: return {method, HistoryKey(category, windowsMajor)};
    case CountingMethod::ByWindowsVersion: return ByWindowsVersion(windowsMajor);
    default: return {method};
  }
}

namespace {

std::wstring LabelFor(const std::wstring& label, const CategoryResult& result, CountingMethod method, bool sweep) {
  switch (method) {
    case CountingMethod::RegistryValues: return RegistryLabel(label, result.items, sweep);
    case CountingMethod::CleanupHandlers: return FreeableLabel(label, static_cast<double>(result.bytes), sweep);
    default: return FileLabel(label, result.items, static_cast<double>(result.bytes), sweep);
  }
}

}  // namespace

void WriteResult(const ScanTask& task, CategoryResult& result, CountingMethod method, bool sweep) {
  result.category = task.item;
  if (!task.inUse.empty()) result.status = CategoryStatus::InUse;
  result.label = LabelFor(task.label, result, method, sweep);
  task.owner->CategoryFinished(result);
}

void AddKept(CategoryResult& result, const KeptFiles& kept) {
  result.keptFiles += kept.files;
  AddBytes(result.keptBytes, kept.bytes);
}

const std::vector<ResolvedRoot>& RootsOf(const ScanTask& task, bool file, std::vector<ResolvedRoot>& opened) {
  if (task.resolvedAtStart) return task.resolved;
  RootJudge judge(task.protectedFolders, nullptr);
  for (const std::wstring& path : task.roots) {
    ResolvedRoot root;
    RootRefusal why;
    if (judge.Resolve(path, RootClass::Unchecked, file, root, why) == Judgement::Refused) {
      task.owner->RootRefused(task.item, path, why);
      root = ResolvedRoot();
      root.path = path;
    }
    opened.push_back(std::move(root));
  }
  return opened;
}

}  // namespace purlo

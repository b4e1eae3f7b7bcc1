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

void WriteResult(const ScanTask& task, CategoryResult& result, bool registry, bool sweep) {
  result.category = task.item;
  if (!task.inUse.empty()) result.status = CategoryStatus::InUse;
  result.label = registry ? RegistryLabel(task.label, result.items, sweep)
                          : FileLabel(task.label, result.items, static_cast<double>(result.bytes), sweep);
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

#include "engine/core/WorkerMethod.h"

#include "engine/core/FileFilter.h"
#include "engine/core/LabelText.h"
#include "engine/core/RootRules.h"

namespace purlo {

MethodChoice ChooseMethod(const ScanTask& task, int windowsMajor) {
  using C = JunkCategory;
  const std::wstring first = task.roots.empty() ? std::wstring() : task.roots[0];
  const bool hasFirst = !task.roots.empty();
  auto firstIs = [&](C category) { return hasFirst && first == Info(category).taskLabel; };
  auto labelIs = [&](C category) { return task.label == Info(category).taskLabel; };

  if (hasFirst && first == kRecycleBinMarker) return {Method::RecycleBin};
  if (firstIs(C::IeTypedUrls)) return {Method::RegistryValues, HistoryKey(C::IeTypedUrls, windowsMajor)};
  if (firstIs(C::RunHistory)) return {Method::RegistryValues, HistoryKey(C::RunHistory, windowsMajor)};
  if (firstIs(C::SearchHistory)) return {Method::RegistryValues, HistoryKey(C::SearchHistory, windowsMajor)};
  if (labelIs(C::MaxthonHistory)) return {Method::OneFile};
  if (firstIs(C::QqToolbarHistory)) return {Method::RegistryValues, HistoryKey(C::QqToolbarHistory, windowsMajor)};
  if (firstIs(C::BaiduToolbarHistory)) {
    return {Method::RegistryValues, HistoryKey(C::BaiduToolbarHistory, windowsMajor)};
  }
  if (labelIs(C::StormPlayerHistory)) return {Method::EveryFile};
  if (labelIs(C::FirefoxHistory)) return {Method::OneFile};
  if (labelIs(C::QqPlayerHistory)) {
    if (windowsMajor == 5) return {Method::OneFile};
    if (windowsMajor == 6) return {Method::FolderTrees};
    return {Method::Nothing};
  }
  return {Method::FolderTrees};
}

void WriteResult(const ScanTask& task, CategoryResult& result, bool registry, bool sweep) {
  result.category = task.item;
  const KeptFiles kept = TakeKeptFiles();  // this worker's thread
  result.keptFiles = kept.files;
  result.keptBytes = kept.bytes;
  result.label = registry ? RegistryLabel(task.label, result.items, sweep)
                          : FileLabel(task.label, result.items, static_cast<double>(result.bytes), sweep);
  task.owner->CategoryFinished(result);
  task.owner->SetItemLabel(task.item, result.label);
}

}  // namespace purlo

#include <gtest/gtest.h>

#include <set>

#include "engine/core/Catalogue.h"
#include "engine/core/RootRules.h"
#include "engine/core/SystemLookups.h"
#include "engine/core/WorkerMethod.h"

using namespace purlo;

namespace {

// The worker's method told from a task's first root and its label, tested in
// this order: the rule the counting-method column must agree with.
MethodChoice MethodByLabelText(const std::vector<std::wstring>& roots, const std::wstring& label, int windowsMajor) {
  using C = JunkCategory;
  using M = CountingMethod;
  const bool hasFirst = !roots.empty();
  auto firstIs = [&](C category) { return hasFirst && roots[0] == Info(category).taskLabel; };
  auto labelIs = [&](C category) { return label == Info(category).taskLabel; };

  if (hasFirst && roots[0] == kRecycleBinMarker) return {M::RecycleBin};
  // Windows' clean-up handlers came after the label rule: their rows say so.
  for (C c : {C::PreviousInstallations, C::UpdateCleanup, C::DeliveryOptimization, C::DriverPackages,
              C::ThumbnailCache}) {
    if (labelIs(c)) return {M::CleanupHandlers};
  }
  if (firstIs(C::IeTypedUrls)) return {M::RegistryValues, HistoryKey(C::IeTypedUrls, windowsMajor)};
  if (firstIs(C::RunHistory)) return {M::RegistryValues, HistoryKey(C::RunHistory, windowsMajor)};
  if (firstIs(C::SearchHistory)) return {M::RegistryValues, HistoryKey(C::SearchHistory, windowsMajor)};
  if (labelIs(C::MaxthonHistory)) return {M::OneFile};
  if (firstIs(C::QqToolbarHistory)) return {M::RegistryValues, HistoryKey(C::QqToolbarHistory, windowsMajor)};
  if (firstIs(C::BaiduToolbarHistory)) return {M::RegistryValues, HistoryKey(C::BaiduToolbarHistory, windowsMajor)};
  if (firstIs(C::FileDialogHistory)) return {M::RegistryValues, HistoryKey(C::FileDialogHistory, windowsMajor)};
  if (labelIs(C::StormPlayerHistory)) return {M::EveryFile};
  if (labelIs(C::FirefoxHistory)) return {M::OneFile};
  if (labelIs(C::QqPlayerHistory)) {
    if (windowsMajor == 5) return {M::OneFile};
    if (windowsMajor == 6) return {M::FolderTrees};
    return {M::Nothing};
  }
  return {M::FolderTrees};
}

}  // namespace

// The 22 first, then today's twelve, each run in its tree position.
TEST(Catalogue, ThirtyFourCategoriesInTreeOrderWithDistinctRunOrders) {
  std::set<int> runOrders;
  int position = 1;
  for (const CategoryInfo& info : Catalogue()) {
    EXPECT_EQ(info.position, position);
    EXPECT_EQ(static_cast<int>(info.id), position - 1);
    runOrders.insert(info.runOrder);
    ++position;
  }
  EXPECT_EQ(runOrders.size(), static_cast<size_t>(kCategoryCount));
  EXPECT_EQ(*runOrders.begin(), 1);
  EXPECT_EQ(*runOrders.rbegin(), kCategoryCount);
  for (const CategoryInfo& info : Catalogue()) {
    if (info.position > 22) {
      EXPECT_EQ(info.runOrder, info.position) << info.identifier;
    }
  }
  EXPECT_STREQ(Info(JunkCategory::ChromeCache).identifier, L"ChromeCache");
  EXPECT_EQ(Info(JunkCategory::ChromeCache).position, 23);
  EXPECT_EQ(Info(JunkCategory::FileDialogHistory).position, 34);
  EXPECT_EQ(Info(JunkCategory::PreviousInstallations).position, 35);
  EXPECT_EQ(Info(JunkCategory::ThumbnailCache).position, 39);
}

TEST(Catalogue, RunOrderStartsWithTempThenRecycleBinThenPrefetch) {
  const auto& order = RunOrder();
  EXPECT_EQ(order[0], JunkCategory::SystemTemp);
  EXPECT_EQ(order[1], JunkCategory::RecycleBin);
  EXPECT_EQ(order[2], JunkCategory::Prefetch);
  EXPECT_EQ(order[3], JunkCategory::DownloadedPrograms);
  EXPECT_EQ(order[6], JunkCategory::IeTemp);
  EXPECT_EQ(order[7], JunkCategory::IeCookies);
  EXPECT_EQ(order[8], JunkCategory::IeTypedUrls);
  EXPECT_EQ(order[21], JunkCategory::KankanHistory);
  std::vector<JunkCategory> picked = InRunOrder(
      {JunkCategory::IeTypedUrls, JunkCategory::Prefetch, JunkCategory::SystemTemp, JunkCategory::Prefetch});
  EXPECT_EQ(picked, (std::vector<JunkCategory>{JunkCategory::SystemTemp, JunkCategory::Prefetch,
                                               JunkCategory::IeTypedUrls}));
}

TEST(Catalogue, ExactlyTheFirstFiveAreRecommended) {
  for (const CategoryInfo& info : Catalogue()) EXPECT_EQ(info.recommended, info.position <= 5) << info.position;
}

TEST(Catalogue, LabelsThatDifferFromTheStartupLabel) {
  const CategoryInfo& downloaded = Info(JunkCategory::DownloadedPrograms);
  EXPECT_STREQ(downloaded.startupLabel, L"已下载程序文件(Win7系统中如清理有可能造成部分程序兼容性问题)");
  EXPECT_STREQ(downloaded.bareLabel, L"已下载程序文件");
  EXPECT_STREQ(Info(JunkCategory::GoogleToolbarHistory).startupLabel, L"Google 工具栏搜索记录");
  EXPECT_STREQ(Info(JunkCategory::GoogleToolbarHistory).taskLabel, L"Google工具栏搜索记录");
  EXPECT_STREQ(Info(JunkCategory::RealPlayerHistory).taskLabel, L"RealPlayer历史记录");
  EXPECT_STREQ(Info(JunkCategory::RunHistory).taskLabel, L"开始菜单\"运行\"对话框记录(重启生效)");
  int differing = 0;
  for (const CategoryInfo& info : Catalogue()) {
    differing += std::wstring(info.startupLabel) != info.bareLabel;
    if (info.id != JunkCategory::GoogleToolbarHistory && info.id != JunkCategory::RealPlayerHistory &&
        info.id != JunkCategory::DownloadedPrograms) {
      EXPECT_STREQ(info.taskLabel, info.startupLabel);
    }
  }
  EXPECT_EQ(differing, 1);
}

TEST(Catalogue, IdentifiersAreFoundExactly) {
  JunkCategory found;
  ASSERT_TRUE(FindCategory(L"KankanHistory", found));
  EXPECT_EQ(found, JunkCategory::KankanHistory);
  EXPECT_FALSE(FindCategory(L"kankanhistory", found));
  EXPECT_FALSE(FindCategory(L"", found));
}

// Every category, on every version the program tells apart, with the roots and
// label a run gives its worker.
TEST(Catalogue, CountingMethodsAgreeWithTheLabelRule) {
  WindowsLookups lookups;
  for (int windowsMajor : {0, 5, 6}) {
    for (const CategoryInfo& info : Catalogue()) {
      const Roots roots = BuildRoots(info.id, windowsMajor, lookups);
      const MethodChoice byLabel = MethodByLabelText(roots.paths, info.taskLabel, windowsMajor);
      const MethodChoice chosen = ChooseMethod(info.id, windowsMajor);
      EXPECT_EQ(chosen.method, byLabel.method) << info.identifier << " on " << windowsMajor;
      EXPECT_EQ(chosen.key, byLabel.key) << info.identifier << " on " << windowsMajor;
    }
  }
}

#include <gtest/gtest.h>

#include "engine/core/RootRules.h"
#include "engine/scan/ScanWorker.h"
#include "engine/core/SystemLookups.h"
#include "engine/core/WorkerMethod.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RecordingView.h"
#include "win/Handles.h"

using namespace purlo;
using namespace testing_support;

namespace {

const wchar_t kTestKey[] = L"Software\\PurloTests\\History";

// Runs one worker on this thread and returns what it reported.
CategoryResult RunScanWorker(JunkCategory c, std::vector<std::wstring> roots, RecordingView& view) {
  auto* task = new ScanTask{&TestRun(), std::move(roots), &view, Info(c).taskLabel, c, nullptr, nullptr};
  ScanWorker(task);
  std::vector<CategoryResult> results = view.Results();
  return results.empty() ? CategoryResult{} : results.back();
}

}  // namespace

TEST(WorkerMethod, ChosenFromTheCategoryAndTheWindowsVersion) {
  EXPECT_EQ(ChooseMethod(JunkCategory::RecycleBin, 6).method, CountingMethod::RecycleBin);
  MethodChoice typed = ChooseMethod(JunkCategory::IeTypedUrls, 6);
  EXPECT_EQ(typed.method, CountingMethod::RegistryValues);
  EXPECT_STREQ(typed.key, L"Software\\Microsoft\\Internet Explorer\\TypedURLs");
  EXPECT_EQ(ChooseMethod(JunkCategory::QqToolbarHistory, 0).key, nullptr);
  EXPECT_EQ(ChooseMethod(JunkCategory::MaxthonHistory, 6).method, CountingMethod::OneFile);
  EXPECT_EQ(ChooseMethod(JunkCategory::FirefoxHistory, 6).method, CountingMethod::OneFile);
  EXPECT_EQ(ChooseMethod(JunkCategory::StormPlayerHistory, 6).method, CountingMethod::EveryFile);
  EXPECT_EQ(ChooseMethod(JunkCategory::QqPlayerHistory, 5).method, CountingMethod::OneFile);
  EXPECT_EQ(ChooseMethod(JunkCategory::QqPlayerHistory, 6).method, CountingMethod::FolderTrees);
  EXPECT_EQ(ChooseMethod(JunkCategory::QqPlayerHistory, 0).method, CountingMethod::Nothing);
  EXPECT_EQ(ChooseMethod(JunkCategory::OfficeSetupCache, 6).method, CountingMethod::FolderTrees);
}

TEST(ScanWorker, RegistryValuesDirectlyInTheKey) {
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\PurloTests");
  EXPECT_EQ(CountRegistryValues(kTestKey), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kTestKey));  // looking never creates it
  SetString(HKEY_CURRENT_USER, kTestKey, L"url1", L"http://a/");
  SetString(HKEY_CURRENT_USER, kTestKey, L"url2", L"http://b/");
  SetString(HKEY_CURRENT_USER, kTestKey, L"", L"default holds data");
  SetString(HKEY_CURRENT_USER, std::wstring(kTestKey) + L"\\Sub", L"nested", L"not counted");
  EXPECT_EQ(CountRegistryValues(kTestKey), 3u);
  EXPECT_EQ(CountRegistryValues(nullptr), 0u);
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\PurloTests");
}

TEST(ScanWorker, RegistryStringsAreBoundedAndTerminated) {
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\PurloTests");
  SetString(HKEY_CURRENT_USER, L"Software\\PurloTests", L"fits", std::wstring(126, L'a'));
  SetString(HKEY_CURRENT_USER, L"Software\\PurloTests", L"toolong", std::wstring(127, L'b'));
  SetString(HKEY_CURRENT_USER, L"Software\\PurloTests", L"huge", std::wstring(2000, L'c'));
  WindowsLookups lookups;
  std::wstring text = L"stale";
  EXPECT_EQ(lookups.ReadString(HKEY_CURRENT_USER, L"Software\\PurloTests", L"fits", text), RegRead::Ok);
  EXPECT_EQ(text, std::wstring(126, L'a'));
  EXPECT_EQ(lookups.ReadString(HKEY_CURRENT_USER, L"Software\\PurloTests", L"toolong", text), RegRead::ValueMissing);
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(lookups.ReadString(HKEY_CURRENT_USER, L"Software\\PurloTests", L"huge", text), RegRead::ValueMissing);
  EXPECT_EQ(lookups.ReadString(HKEY_CURRENT_USER, L"Software\\PurloTests", L"absent", text), RegRead::ValueMissing);
  EXPECT_EQ(lookups.ReadString(HKEY_CURRENT_USER, L"Software\\PurloTests\\Nope", L"x", text), RegRead::KeyMissing);
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\PurloTests");
}

TEST(ScanWorker, SingleFilesAsTheSweepWouldFindThem) {
  TestFolder f(L"worker-single");
  WriteFile(f / L"a", 400);
  WriteSparseFile(f / L"big", 5ull << 30);
  EXPECT_EQ(MeasureOneFile(f / L"a").items, 1u);
  EXPECT_EQ(MeasureOneFile(f / L"a").bytes, 400u);
  EXPECT_EQ(MeasureOneFile(f / L"big").bytes, 5ull << 30);
  EXPECT_EQ(MeasureOneFile(f / L"missing").items, 0u);
  EXPECT_EQ(MeasureOneFile(L"").items, 0u);
  EXPECT_EQ(MeasureOneFile(L"a").items, 0u);  // relative: never opened
  MakeFolders(f / L"folder");
  EXPECT_EQ(MeasureOneFile(f / L"folder").items, 0u);  // a folder is not a file
  // Held open without any sharing: still counted, as the sweep will report it failed.
  win::UniqueFile hold(::CreateFileW((f / L"a").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hold.Valid());
  EXPECT_EQ(MeasureOneFile(f / L"a").items, 1u);
  EXPECT_EQ(MeasureOneFile(f / L"a").bytes, 400u);
}

TEST(ScanWorker, StormFilesEachCountedWithTheirSize) {
  TestFolder f(L"worker-storm");
  WriteFile(f / L"playlist.smpl", 400);
  WriteFile(f / L"Storm\\playlist.smpl", 300);
  WriteFile(f / L"Storm\\config.xml", 2000);
  RecordingView view;
  CategoryResult r = RunScanWorker(JunkCategory::StormPlayerHistory,
                                   {f / L"playlist.smpl", f / L"Storm\\playlist.smpl", f / L"Storm\\config.xml"}, view);
  EXPECT_EQ(view.Label(JunkCategory::StormPlayerHistory), L"暴风影音历史记录(3个文件,2.637KB)");
  EXPECT_EQ(r.items, 3u);
  // The same file named twice (exepath in the Storm folder, in another case): once.
  r = RunScanWorker(JunkCategory::StormPlayerHistory,
                    {f / L"STORM\\Playlist.smpl", f / L"Storm\\playlist.smpl", f / L"Storm\\config.xml"}, view);
  EXPECT_EQ(r.items, 2u);
  EXPECT_EQ(r.bytes, 2300u);
  EXPECT_EQ(view.Label(JunkCategory::StormPlayerHistory), L"暴风影音历史记录(2个文件,2.246KB)");
  TestRun().RunningTotals.Take();
}

TEST(ScanWorker, FolderCategoryWithoutRootsMeasuresNothing) {
  RecordingView view;
  TestRun().RunningTotals.Take();
  RunScanWorker(JunkCategory::OfficeSetupCache, {}, view);
  EXPECT_EQ(view.Label(JunkCategory::OfficeSetupCache), L"Office 安装文件(0个文件,0.000B)");
  RunScanWorker(JunkCategory::GoogleToolbarHistory, {L"C:\\purlo-tests\\nothing-here"}, view);
  EXPECT_EQ(view.Label(JunkCategory::GoogleToolbarHistory), L"Google工具栏搜索记录(0个文件,0.000B)");
  EXPECT_EQ(TestRun().RunningTotals.Take().items, 0u);
}

TEST(ScanWorker, NestedRootsOfOneTaskAreCountedOnce) {
  TestFolder f(L"worker-nested");
  WriteFile(f / L"QQPlayer\\a", 100);
  WriteFile(f / L"QQPlayer\\QPUpdate\\b", 200);
  WriteFile(f / L"QQPlayer\\QPLyric\\c", 300);
  RecordingView view;
  TestRun().RunningTotals.Take();
  TestRun().WindowsMajorVersion = 6;
  CategoryResult r = RunScanWorker(
      JunkCategory::QqPlayerHistory,
      {f / L"QQPlayer", f / L"QQPlayer\\QPUpdate", f / L"QQPlayer\\QPLyric"}, view);
  TestRun().WindowsMajorVersion = 0;
  EXPECT_EQ(r.items, 3u);
  EXPECT_EQ(r.bytes, 600u);
  EXPECT_EQ(view.Label(JunkCategory::QqPlayerHistory), L"QQ 影音历史记录(3个文件,600.000B)");
  Totals totals = TestRun().RunningTotals.Take();
  EXPECT_EQ(totals.items, 3u);
  EXPECT_EQ(totals.bytes, 600.0);
}

TEST(ScanWorker, RecycleBinAsTheShellReportsIt) {
  TestFolder f(L"worker-bin");
  EmptyRecycleBin();
  RecordingView view;
  TestRun().RunningTotals.Take();
  RunScanWorker(JunkCategory::RecycleBin, {L"回收站"}, view);
  EXPECT_EQ(view.Label(JunkCategory::RecycleBin), L"回收站(0个文件,0.000B)");
  WriteFile(f / L"one", 512);
  WriteFile(f / L"two", 512);
  WriteFile(f / L"three", 512);
  Recycle({f / L"one", f / L"two", f / L"three"});
  RunScanWorker(JunkCategory::RecycleBin, {L"回收站"}, view);
  EXPECT_EQ(view.Label(JunkCategory::RecycleBin), L"回收站(3个文件,1.500KB)");
  Totals totals = TestRun().RunningTotals.Take();
  EXPECT_EQ(totals.items, 3u);
  EXPECT_EQ(totals.bytes, 1536.0);
  EmptyRecycleBin();
}

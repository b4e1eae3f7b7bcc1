// The sweep side of a run: history values, the sweep workers and the sweep start.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "engine/core/CompletionMonitor.h"
#include "engine/core/LabelText.h"
#include "engine/core/Run.h"
#include "engine/core/Texts.h"
#include "engine/sweep/RegistryHistory.h"
#include "engine/sweep/SweepController.h"
#include "engine/sweep/SweepWorker.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RecordingView.h"
#include "ui/Texts.h"
#include "win/Handles.h"

using namespace purlo;
using namespace testing_support;

namespace {

const wchar_t kKey[] = L"Software\\PurloTests\\RunMRU";

using ui::RunButton;

struct SweepRun : ::testing::Test {
  purlo::Run& run = TestRun();
  void SetUp() override {
    ASSERT_TRUE(run.Ready());
    run.RunningTotals.Take();
    run.RunMode = RunKind::Sweep;
    run.WindowsMajorVersion = MajorVersionFromGetVersion();
    DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\PurloTests");
  }
  void TearDown() override { DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\PurloTests"); }
};

// Runs one sweep worker on this thread.
void RunSweepWorker(JunkCategory c, std::vector<std::wstring> roots, RecordingView& view) {
  SweepWorker(new ScanTask{&TestRun(), std::move(roots), &view, Info(c).taskLabel, c, nullptr, nullptr});
}

// Every registry key and special folder points into one test folder.
struct Redirected : WindowsLookups {
  std::wstring base;
  bool SpecialFolder(int, std::wstring& out) override {
    out = base;
    return true;
  }
  bool ExpandVariable(const std::wstring&, std::wstring& out) override {
    out = base;
    return true;
  }
  RegRead ReadString(HKEY, const wchar_t*, const wchar_t*, std::wstring&) override { return RegRead::KeyMissing; }
};

int g_started = 0;
HANDLE FailFourth(ThreadEntry entry, void* argument) {
  return ++g_started == 4 ? nullptr : StartThread(entry, argument);
}

}  // namespace

TEST_F(SweepRun, HistoryValuesAllGoAndTheKeyStays) {
  for (const wchar_t* name : {L"a", L"b", L"c", L"MRUList"}) SetString(HKEY_CURRENT_USER, kKey, name, L"x");
  EXPECT_EQ(RemoveHistoryValues(kKey), 4u);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kKey));
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kKey), 0u);
  EXPECT_EQ(RemoveHistoryValues(kKey), 0u);
}

TEST_F(SweepRun, HistoryDefaultValueCountsWithTheNamedOnes) {
  SetString(HKEY_CURRENT_USER, kKey, L"", L"default holds data");
  for (const wchar_t* name : {L"u1", L"u2", L"u3"}) SetString(HKEY_CURRENT_USER, kKey, name, L"x");
  EXPECT_EQ(RemoveHistoryValues(kKey), 4u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kKey), 0u);
}

TEST_F(SweepRun, HistorySubkeysAreNotTouchedAndMissingKeysNotCreated) {
  SetString(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\Child", L"v", L"stays");
  SetString(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\Child\\Grandchild", L"w", L"stays");
  EXPECT_EQ(RemoveHistoryValues(kKey), 0u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\Child"), 1u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, std::wstring(kKey) + L"\\Child\\Grandchild"), 1u);
  EXPECT_EQ(RemoveHistoryValues(L"Software\\PurloTests\\Absent"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\PurloTests\\Absent"));
}

TEST_F(SweepRun, RecycleBinIsEmptiedAndReportsWhatItHeld) {
  TestFolder f(L"sweeprun-bin");
  EmptyRecycleBin();
  WriteFile(f / L"one", 512);
  WriteFile(f / L"two", 512);
  WriteFile(f / L"three", 512);
  Recycle({f / L"one", f / L"two", f / L"three"});
  RecordingView view;
  RunSweepWorker(JunkCategory::RecycleBin, {L"回收站"}, view);
  EXPECT_EQ(view.Label(JunkCategory::RecycleBin), L"回收站(清理3个文件,1.500KB)");
  Totals totals = run.RunningTotals.Take();
  EXPECT_EQ(totals.items, 3u);
  EXPECT_EQ(totals.bytes, 1536.0);
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof(info);
  ASSERT_EQ(::SHQueryRecycleBinW(nullptr, &info), S_OK);
  EXPECT_EQ(info.i64NumItems, 0);
  ASSERT_EQ(view.Results().size(), 1u);
  EXPECT_TRUE(view.Results()[0].enablesSweepNow);
}

TEST_F(SweepRun, RegistryCategoryLabelAndTotals) {
  const wchar_t* typed = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
  DeleteKeyTree(HKEY_CURRENT_USER, typed);
  for (int i = 0; i < 5; ++i) SetString(HKEY_CURRENT_USER, typed, L"url" + std::to_wstring(i), L"http://x/");
  RecordingView view;
  run.RunningTotals.Add(0, 100.0);
  RunSweepWorker(JunkCategory::IeTypedUrls, {Info(JunkCategory::IeTypedUrls).taskLabel}, view);
  EXPECT_EQ(view.Label(JunkCategory::IeTypedUrls), L"Internet Explorer 地址栏历史网址(清理5项)");
  Totals totals = run.RunningTotals.Take();
  EXPECT_EQ(totals.items, 5u);
  EXPECT_EQ(totals.bytes, 100.0);  // bytes untouched
}

TEST_F(SweepRun, QqToolbarWithoutAVersionKeyTouchesNothing) {
  SetString(HKEY_CURRENT_USER, L"Software\\Tencent\\QQToolbar\\History", L"q", L"x");
  RecordingView view;
  run.WindowsMajorVersion = 0;
  RunSweepWorker(JunkCategory::QqToolbarHistory, {Info(JunkCategory::QqToolbarHistory).taskLabel}, view);
  EXPECT_EQ(view.Label(JunkCategory::QqToolbarHistory), L"QQ 工具栏搜索记录(清理0项)");
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, L"Software\\Tencent\\QQToolbar\\History"), 1u);
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Tencent");
}

TEST_F(SweepRun, LockedSingleFileStaysAndLeavesTheButtonAlone) {
  TestFolder f(L"sweeprun-firefox");
  WriteFile(f / L"places.sqlite", 4096);
  win::UniqueFile browser(::CreateFileW((f / L"places.sqlite").c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(browser.Valid());
  RecordingView view;
  RunSweepWorker(JunkCategory::FirefoxHistory, {f / L"places.sqlite"}, view);
  EXPECT_EQ(view.Label(JunkCategory::FirefoxHistory), L"火狐浏览器历史记录(清理0个文件,0.000B)");
  EXPECT_TRUE(Exists(f / L"places.sqlite"));
  ASSERT_EQ(view.Results().size(), 1u);
  EXPECT_FALSE(view.Results()[0].enablesSweepNow);
  browser.Reset();
  RunSweepWorker(JunkCategory::FirefoxHistory, {f / L"places.sqlite"}, view);
  EXPECT_EQ(view.Label(JunkCategory::FirefoxHistory), L"火狐浏览器历史记录(清理1个文件,4.000KB)");
  EXPECT_FALSE(Exists(f / L"places.sqlite"));
}

TEST_F(SweepRun, StormWithoutItsKeyDeletesTheTwoCommonFiles) {
  TestFolder f(L"sweeprun-storm");
  WriteFile(f / L"Storm\\playlist.smpl", 2000);
  WriteFile(f / L"Storm\\config.xml", 400);
  Redirected lookups;
  lookups.base = f.Path();
  RecordingView view;
  ASSERT_EQ(StartSweep(run, view, {JunkCategory::StormPlayerHistory}, lookups), StartResult::Started);
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_EQ(view.Label(JunkCategory::StormPlayerHistory), L"暴风影音历史记录(清理2个文件,2.344KB)");
  EXPECT_FALSE(Exists(f / L"Storm\\config.xml"));
  EXPECT_TRUE(Exists(f / L"Storm"));
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(view.Messages()[0].text, L"已经成功清理选中的文件，为您节省了2.344KB的磁盘空间。");
  EXPECT_EQ(view.Messages()[0].caption, texts::kSweepDone);
}

TEST_F(SweepRun, AllCategoriesWithoutBrowserKeysStartAWorkerEachButThoseTwo) {
  TestFolder f(L"sweeprun-all");
  Redirected lookups;
  lookups.base = f / L"nothing";
  std::vector<JunkCategory> all;
  for (const CategoryInfo& info : Catalogue()) all.push_back(info.id);
  // The view holds the run back until the test has looked at the button.
  struct Gated : RecordingView {
    win::UniqueEvent go{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    void CategoryFinished(const CategoryResult& r) override {
      ::WaitForSingleObject(go.Get(), 10000);
      RecordingView::CategoryFinished(r);
    }
  } view;
  view.ButtonsAfterAScan();
  ASSERT_TRUE(view.ButtonEnabled(RunButton::SweepNow));
  EmptyRecycleBin();
  ASSERT_EQ(StartSweep(run, view, all, lookups), StartResult::Started);
  EXPECT_FALSE(view.ButtonEnabled(RunButton::SweepNow));
  // No worker for the two browsers without keys, nor for the clean-up
  // handlers' categories: this prefix registers no handler.
  size_t workers = 0;
  for (const CategoryInfo& info : Catalogue()) workers += info.method != CountingMethod::CleanupHandlers ? 1 : 0;
  workers -= 2;
  EXPECT_EQ(view.Started().size(), workers);
  EXPECT_EQ(run.WorkerList.Size(), workers);
  ::SetEvent(view.go.Get());
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_EQ(view.Results().size(), workers);
  EXPECT_EQ(view.Label(JunkCategory::MaxthonHistory), L"");
  EXPECT_EQ(view.Label(JunkCategory::TheWorldHistory), L"");
  EXPECT_EQ(view.ButtonText(RunButton::StartScan), texts::kRescan);
  EXPECT_TRUE(view.ButtonEnabled(RunButton::StartScan));
}

TEST_F(SweepRun, FailingFourthWorkerShowsItsTextAndNoSummary) {
  TestFolder f(L"sweeprun-fail");
  Redirected lookups;
  lookups.base = f / L"nothing";
  RecordingView view;
  g_started = 0;
  // Run order: SystemTemp, RecycleBin, Prefetch, DownloadedPrograms (the fourth), UpdateDownloads.
  EmptyRecycleBin();
  EXPECT_EQ(StartSweep(run, view,
                       {JunkCategory::UpdateDownloads, JunkCategory::DownloadedPrograms, JunkCategory::Prefetch,
                        JunkCategory::RecycleBin, JunkCategory::SystemTemp},
                       lookups, FailFourth),
            StartResult::ThreadFailed);
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(view.Messages()[0].text, texts::kScanFailed);
  EXPECT_FALSE(view.WaitForRunEnd(1000));
  EXPECT_EQ(view.Results().size(), 3u);
  EXPECT_EQ(view.Label(JunkCategory::UpdateDownloads), L"");
  // Leave no handles behind for the next test's monitor.
  std::vector<HANDLE> left = run.WorkerList.ClaimForMonitor();
  WaitForAll(left);
  run.WorkerList.CloseAndRemove(left);
}

TEST_F(SweepRun, FailureTextsByCategory) {
  EXPECT_STREQ(SweepFailureText(JunkCategory::SystemTemp), texts::kSweepFailed);
  EXPECT_STREQ(SweepFailureText(JunkCategory::RecycleBin), texts::kSweepFailed);
  EXPECT_STREQ(SweepFailureText(JunkCategory::IeCookies), texts::kScanFailed);
  EXPECT_STREQ(SweepFailureText(JunkCategory::TheWorldHistory), texts::kScanFailed);
  EXPECT_STREQ(SweepFailureText(JunkCategory::StormPlayerHistory), texts::kSweepFailed);
  EXPECT_STREQ(SweepFailureText(JunkCategory::QqPlayerHistory), texts::kClearFailed);
  EXPECT_STREQ(SweepFailureText(JunkCategory::KankanHistory), texts::kClearFailed);
}

// A run from start to summary: controller, workers, totals and monitor, with a
// recording view in place of the dialog.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <process.h>

#include "engine/core/Catalogue.h"
#include "engine/core/CompletionMonitor.h"
#include "engine/core/LabelText.h"
#include "engine/core/RunLock.h"
#include "engine/scan/ScanController.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RecordingView.h"
#include "ui/RunButtons.h"
#include "ui/Texts.h"

using namespace purlo;
using namespace testing_support;

namespace {

struct RunFlow : ::testing::Test {
  purlo::Run& run = TestRun();
  void SetUp() override {
    ASSERT_TRUE(run.Ready());
    run.RunningTotals.Take();
    run.RunMode = RunKind::Scan;
    run.StopRequested = 0;
    run.WindowsMajorVersion = MajorVersionFromGetVersion();
  }
};

using ui::RunButton;

constexpr unsigned kAddsPerWorker = 10000;

unsigned __stdcall AddManyTimes(void*) {
  for (unsigned i = 0; i < kAddsPerWorker; ++i) TestRun().RunningTotals.Add(1, 3.0);
  return 0;
}

unsigned __stdcall Quick(void*) { return 0; }

// Lookups in which every registry key is missing and nothing else is asked.
struct NoKeys : WindowsLookups {
  RegRead ReadString(HKEY, const wchar_t*, const wchar_t*, std::wstring&) override { return RegRead::KeyMissing; }
};

struct FailingTemp : WindowsLookups {
  bool TempPath(std::wstring&, DWORD& error) override {
    error = 5;
    return false;
  }
};

int g_started = 0;
int g_failAt = 0;
HANDLE FailOnNth(ThreadEntry entry, void* argument) {
  if (++g_started == g_failAt) return nullptr;
  return StartThread(entry, argument);
}

}  // namespace

TEST_F(RunFlow, TwentyTwoWorkersAddExactTotals) {
  std::vector<HANDLE> threads;
  for (int i = 0; i < purlo::kCategoryCount; ++i) threads.push_back(StartThread(AddManyTimes, nullptr));
  WaitForAll(threads);
  for (HANDLE h : threads) ::CloseHandle(h);
  Totals totals = run.RunningTotals.Take();
  EXPECT_EQ(totals.items, purlo::kCategoryCount * kAddsPerWorker);
  EXPECT_EQ(totals.bytes, 3.0 * purlo::kCategoryCount * kAddsPerWorker);
  EXPECT_EQ(run.RunningTotals.Read().items, 0u);
}

TEST_F(RunFlow, MonitorWithAnEmptyListReportsAtOnce) {
  RecordingView view;
  NoKeys lookups;
  ASSERT_EQ(StartScan(run, view, {JunkCategory::MaxthonHistory}, lookups), StartResult::Started);
  ASSERT_TRUE(view.WaitForRunEnd(5000));
  EXPECT_TRUE(view.Results().empty());
  EXPECT_EQ(view.Label(JunkCategory::MaxthonHistory), L"遨游浏览器历史记录");  // bare, untouched
  EXPECT_EQ(view.Status(), texts::kNothingFound);
  EXPECT_FALSE(view.ButtonEnabled(RunButton::SweepNow));
  EXPECT_EQ(view.ButtonText(RunButton::SweepNow), texts::kSweepNow);
  EXPECT_EQ(view.ButtonText(RunButton::StartScan), texts::kRescan);
  EXPECT_EQ(run.WorkerList.Size(), 0u);
}

TEST_F(RunFlow, ScanOfRegistryEntriesOnlyEndsWithTheSummary) {
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU");
  for (const wchar_t* name : {L"a", L"b", L"c", L"d", L"e", L"f", L"MRUList"}) {
    SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU", name, L"cmd");
  }
  RecordingView view;
  WindowsLookups lookups;
  ASSERT_EQ(StartScan(run, view, {JunkCategory::RunHistory}, lookups), StartResult::Started);
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_EQ(view.Label(JunkCategory::RunHistory), L"开始菜单\"运行\"对话框记录(重启生效)(7项)");
  EXPECT_EQ(view.Status(), L"扫描已经完成，共发现垃圾文件7个,0.000B。建议您立即清理。");
  EXPECT_TRUE(view.ButtonEnabled(RunButton::SweepNow));
  EXPECT_EQ(run.RunningTotals.Read().items, 0u);  // reset for the next run
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU");
}

TEST_F(RunFlow, StartResetsLabelsAndTurnsTheButtons) {
  struct Watching : RecordingView {
    std::wstring sweepTextAtFirstLabel;
    void CategoryFinished(const CategoryResult& r) override {
      if (sweepTextAtFirstLabel.empty()) sweepTextAtFirstLabel = ButtonText(RunButton::SweepNow);
      RecordingView::CategoryFinished(r);
    }
  } view;
  view.SetLabel(JunkCategory::Prefetch, L"系统预读文件(9个文件,9.000B)");
  WindowsLookups lookups;
  ASSERT_EQ(StartScan(run, view, {JunkCategory::DownloadedPrograms}, lookups), StartResult::Started);
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_EQ(view.Label(JunkCategory::Prefetch), L"系统预读文件");
  EXPECT_EQ(view.Label(JunkCategory::SystemTemp), L"系统临时文件");
  EXPECT_EQ(view.sweepTextAtFirstLabel, texts::kCancelScan);
  EXPECT_EQ(view.Label(JunkCategory::DownloadedPrograms).rfind(L"已下载程序文件(", 0), 0u);
}

TEST_F(RunFlow, TempPathFailureStartsNothing) {
  RecordingView view;
  FailingTemp lookups;
  EXPECT_EQ(StartScan(run, view, {JunkCategory::SystemTemp, JunkCategory::RunHistory}, lookups),
            StartResult::TempPathFailed);
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(view.Messages()[0].text, L"GetTempPath failed with error 5.\n");
  EXPECT_FALSE(view.WaitForRunEnd(300));
  EXPECT_TRUE(view.Results().empty());
  EXPECT_EQ(run.WorkerList.Size(), 0u);
}

TEST_F(RunFlow, ThreadFailureStopsTheStartAndTheNextMonitorClosesEarlierWorkers) {
  RecordingView view;
  WindowsLookups lookups;
  g_started = 0;
  g_failAt = 4;
  const std::vector<JunkCategory> five = {JunkCategory::Prefetch, JunkCategory::DownloadedPrograms,
                                          JunkCategory::UpdateDownloads, JunkCategory::OfficeSetupCache,
                                          JunkCategory::IeTemp};
  EXPECT_EQ(StartScan(run, view, five, lookups, FailOnNth), StartResult::ThreadFailed);
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(view.Messages()[0].text, texts::kScanFailed);
  EXPECT_EQ(view.ButtonText(RunButton::StartScan), texts::kPause);
  EXPECT_FALSE(view.WaitForRunEnd(500));
  EXPECT_EQ(view.Results().size(), 3u);  // the first three ran to their end
  EXPECT_EQ(run.WorkerList.Size(), 3u);
  // The next run's monitor waits for and closes the three left behind.
  RecordingView next;
  ASSERT_EQ(StartScan(run, next, {JunkCategory::Prefetch}, lookups), StartResult::Started);
  ASSERT_TRUE(next.WaitForRunEnd());
  EXPECT_EQ(run.WorkerList.Size(), 0u);
}

TEST_F(RunFlow, MonitorWaitsForMoreThan64Workers) {
  RecordingView view;
  for (int i = 0; i < 150; ++i) run.WorkerList.Append(win::UniqueThread(StartThread(Quick, nullptr)));
  ASSERT_TRUE(StartCompletionMonitor(run, view));
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_EQ(run.WorkerList.Size(), 0u);
}

TEST_F(RunFlow, RunModeAloneDecidesTheEnd) {
  // A cancelled scan left StopRequested up; the sweep that follows still ends as a sweep.
  run.StopRequested = 1;
  run.RunMode = RunKind::Sweep;
  run.RunningTotals.Add(2, 2048.0);
  RecordingView view;
  ASSERT_TRUE(StartCompletionMonitor(run, view));
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_FALSE(view.LastEndedAsScan());
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(view.Messages()[0].caption, texts::kSweepDone);
  EXPECT_EQ(view.Messages()[0].text, L"已经成功清理选中的文件，为您节省了2.000KB的磁盘空间。");
  EXPECT_EQ(view.Status(), L"");
  EXPECT_EQ(view.ButtonText(RunButton::StartScan), texts::kRescan);
  EXPECT_EQ(run.RunningTotals.Read().bytes, 0.0);
}

TEST_F(RunFlow, CancelledWalkersStopAndTheScanReportsWhatWasCounted) {
  TestFolder f(L"run-cancel");
  const std::wstring root = TempPath();
  // The flag is raised before the run: every walker stops after its first file.
  for (int i = 0; i < 20; ++i) WriteFile(f / (L"tree\\f" + std::to_wstring(i)), 10);
  struct Stopping : RecordingView {
    void ShowScanningPath(const std::wstring& path) override {
      RecordingView::ShowScanningPath(path);
      TestRun().StopRequested = 1;
    }
  } view;
  // The cache in a profile of our own.
  struct OnlyOurFolder : WindowsLookups {
    std::wstring folder, profile;
    bool SpecialFolder(int csidl, std::wstring& out) override {
      if (csidl != CSIDL_INTERNET_CACHE) return WindowsLookups::SpecialFolder(csidl, out);
      out = folder;
      return true;
    }
    bool ProfileFolder(std::wstring& out) override {
      out = profile;
      return true;
    }
  } lookups;
  lookups.profile = f.Path();
  lookups.folder = f / L"tree";
  ASSERT_EQ(StartScan(run, view, {JunkCategory::IeTemp}, lookups), StartResult::Started);
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_EQ(view.Label(JunkCategory::IeTemp), L"Internet Explorer 临时文件(1个文件,10.000B)");
  EXPECT_EQ(view.Status(), L"扫描已经完成，共发现垃圾文件1个,10.000B。建议您立即清理。");
}

// The dialog's two run buttons over every kind of run, as the runs' events
// and the dialog's own steps decide them: what each shows and whether it
// takes a click, after each step. What a run opens while it is alive opens
// only at its end.
TEST(RunButtonsOverRuns, CaptionsAndEnablesFollowTheStepsAndEvents) {
  using ui::RunButtons;
  RunButtons b;
  const std::wstring start = texts::kStartScan, pause = texts::kPause, go = texts::kContinue,
                     rescan = texts::kRescan, sweep = texts::kSweepNow, cancel = texts::kCancelScan;
  struct Row {
    const char* step;
    std::wstring scanText;
    bool scanOpen;
    std::wstring sweepText;
    bool sweepOpen;
  };
  std::vector<Row> seen;
  auto look = [&](const char* step) {
    seen.push_back({step, CaptionText(b.Of(RunButton::StartScan).caption), b.Of(RunButton::StartScan).enabled,
                    CaptionText(b.Of(RunButton::SweepNow).caption), b.Of(RunButton::SweepNow).enabled});
  };
  RunEnd found, nothing, swept;
  found.totals = {3, 1024.0};
  swept.kind = RunKind::Sweep;
  look("as the template opens");
  b.ScanBegins();
  b.RunStarted(RunKind::Scan);
  look("scan started");
  b.Paused();
  look("paused");
  b.Continued();
  b.CategoryStarted();
  b.CategoryFinished(false);
  look("continued, a category done");
  b.RunEnding(found);
  look("scan ending with finds");
  b.RunOver();
  look("scan over");
  b.SweepBegins();
  b.RunStarted(RunKind::Sweep);
  look("sweep begun, no worker yet");
  b.CategoryStarted();
  look("a sweep worker started");
  b.CategoryFinished(true);
  look("a folder category swept");
  b.RunEnding(swept);
  look("sweep ending");
  b.RunOver();
  look("sweep over");
  b.SweepBegins();
  b.RunStarted(RunKind::Sweep);
  b.CategoryStarted();
  b.CategoryFinished(false);
  b.RunEnding(swept);
  b.RunOver();
  look("sweep of single files over");
  b.ScanBegins();
  b.RunStarted(RunKind::Scan);
  b.RunEnding(nothing);
  look("scan ending with nothing");
  b.RunOver();
  look("scan of nothing over");
  b.ScanBegins();
  b.RunStarted(RunKind::Scan);
  b.ScanCancelled();
  look("scan cancelled");
  b.RunEnding(found);
  look("cancelled scan ending");
  b.RunOver();
  look("cancelled scan over");
  b.SweepBegins();
  b.RunStarted(RunKind::Sweep);
  b.EndedHere();
  look("sweep that started nothing");
  b.ScanBegins();
  b.RunStarted(RunKind::Scan);
  b.EndedHere();
  look("scan that started nothing");
  const std::vector<Row> expected = {
      {"as the template opens", start, true, sweep, false},
      {"scan started", pause, true, cancel, true},
      {"paused", go, true, cancel, true},
      {"continued, a category done", pause, true, cancel, true},
      {"scan ending with finds", rescan, true, sweep, true},
      {"scan over", rescan, true, sweep, true},
      {"sweep begun, no worker yet", rescan, false, sweep, true},
      {"a sweep worker started", rescan, false, sweep, false},
      {"a folder category swept", rescan, false, sweep, false},
      {"sweep ending", rescan, false, sweep, false},
      {"sweep over", rescan, true, sweep, true},
      {"sweep of single files over", rescan, true, sweep, false},
      {"scan ending with nothing", rescan, true, sweep, false},
      {"scan of nothing over", rescan, true, sweep, false},
      {"scan cancelled", rescan, false, sweep, false},
      {"cancelled scan ending", rescan, false, sweep, false},
      {"cancelled scan over", rescan, true, sweep, true},
      {"sweep that started nothing", rescan, true, sweep, true},
      {"scan that started nothing", pause, true, cancel, true},
  };
  ASSERT_EQ(seen.size(), expected.size());
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].scanText, expected[i].scanText) << expected[i].step;
    EXPECT_EQ(seen[i].scanOpen, expected[i].scanOpen) << expected[i].step;
    EXPECT_EQ(seen[i].sweepText, expected[i].sweepText) << expected[i].step;
    EXPECT_EQ(seen[i].sweepOpen, expected[i].sweepOpen) << expected[i].step;
  }
  EXPECT_FALSE(b.RunAlive());
}

namespace {

// The system calls of the run lock, faked: what was asked, with what, and
// the answers set per case.
struct FakeLockSystem {
  std::vector<std::string> asked;
  std::vector<std::wstring> mutexNames;
  bool boundaryHoldsAdministrators = false;
  DWORD createNamespaceError = 0, openNamespaceError = 0, mutexError = 0;  // 0: it works
  int boundariesOpen = 0, namespacesOpen = 0;
};
FakeLockSystem* fakeLock = nullptr;

HANDLE const kFakeBoundary = reinterpret_cast<HANDLE>(0x7001);
HANDLE const kFakeNamespace = reinterpret_cast<HANDLE>(0x7002);

HANDLE WINAPI FakeCreateBoundary(LPCWSTR, ULONG) {
  fakeLock->asked.push_back("CreateBoundaryDescriptor");
  ++fakeLock->boundariesOpen;
  return kFakeBoundary;
}
BOOL WINAPI FakeAddSid(HANDLE* boundary, PSID sid) {
  fakeLock->asked.push_back("AddSIDToBoundaryDescriptor");
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  fakeLock->boundaryHoldsAdministrators = *boundary == kFakeBoundary &&
                                          ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) &&
                                          ::EqualSid(sid, administrators);
  return TRUE;
}
HANDLE WINAPI FakeCreateNamespace(LPSECURITY_ATTRIBUTES, LPVOID boundary, LPCWSTR) {
  fakeLock->asked.push_back("CreatePrivateNamespace");
  if (boundary != kFakeBoundary || fakeLock->createNamespaceError != 0) {
    ::SetLastError(fakeLock->createNamespaceError);
    return nullptr;
  }
  ++fakeLock->namespacesOpen;
  return kFakeNamespace;
}
HANDLE WINAPI FakeOpenNamespace(LPVOID boundary, LPCWSTR) {
  fakeLock->asked.push_back("OpenPrivateNamespace");
  if (boundary != kFakeBoundary || fakeLock->openNamespaceError != 0) {
    ::SetLastError(fakeLock->openNamespaceError);
    return nullptr;
  }
  ++fakeLock->namespacesOpen;
  return kFakeNamespace;
}
BOOLEAN WINAPI FakeCloseNamespace(HANDLE space, ULONG) {
  if (space == kFakeNamespace) --fakeLock->namespacesOpen;
  return TRUE;
}
VOID WINAPI FakeDeleteBoundary(HANDLE boundary) {
  if (boundary == kFakeBoundary) --fakeLock->boundariesOpen;
}
// A real, unnamed mutex stands for the named one.
HANDLE WINAPI FakeCreateMutex(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR name) {
  fakeLock->mutexNames.push_back(name);
  if (fakeLock->mutexError != 0) {
    ::SetLastError(fakeLock->mutexError);
    return nullptr;
  }
  return ::CreateMutexW(nullptr, FALSE, nullptr);
}

RunLockCalls FakeCalls(bool wine, bool administrator, bool vista) {
  RunLockCalls calls;
  calls.underWine = wine;
  calls.administrator = administrator;
  if (vista) {
    calls.createBoundaryDescriptor = FakeCreateBoundary;
    calls.addSidToBoundaryDescriptor = FakeAddSid;
    calls.createPrivateNamespace = FakeCreateNamespace;
    calls.openPrivateNamespace = FakeOpenNamespace;
    calls.closePrivateNamespace = FakeCloseNamespace;
    calls.deleteBoundaryDescriptor = FakeDeleteBoundary;
  }
  calls.createMutex = FakeCreateMutex;
  return calls;
}

using Asked = std::vector<std::string>;
using Names = std::vector<std::wstring>;

}  // namespace

// Where the lock is taken, and that a name it cannot have is never a reason
// to take another: an elevated run on Vista and later in the private
// namespace (made, or opened when it exists), a run without administrator
// rights in its session, Wine and Windows XP under the global name.
TEST(RunLockPlaces, EachSystemTakesItsOneNameOrNone) {
  const std::wstring global = std::wstring(L"Global\\") + kRunLockName;
  const std::wstring privateName = std::wstring(L"Purlo\\") + kRunLockName;
  const Asked made = {"CreateBoundaryDescriptor", "AddSIDToBoundaryDescriptor", "CreatePrivateNamespace"};
  const Asked opened = {"CreateBoundaryDescriptor", "AddSIDToBoundaryDescriptor", "CreatePrivateNamespace",
                        "OpenPrivateNamespace"};
  struct Case {
    const char* what;
    bool wine, administrator, vista;
    DWORD createNamespaceError, openNamespaceError, mutexError;
    bool taken;
    Asked asked;
    Names mutexNames;
  };
  const Case cases[] = {
      {"elevated, first run", false, true, true, 0, 0, 0, true, made, {privateName}},
      {"elevated, namespace there", false, true, true, ERROR_ALREADY_EXISTS, 0, 0, true, opened, {privateName}},
      {"elevated, namespace denied", false, true, true, ERROR_ALREADY_EXISTS, ERROR_ACCESS_DENIED, 0, false, opened,
       {}},
      {"elevated, namespace cannot be made", false, true, true, ERROR_ACCESS_DENIED, 0, 0, false, made, {}},
      {"elevated, name held by an event", false, true, true, 0, 0, ERROR_INVALID_HANDLE, false, made, {privateName}},
      {"elevated, mutex of another account", false, true, true, 0, 0, ERROR_ACCESS_DENIED, false, made,
       {privateName}},
      {"not elevated", false, false, true, 0, 0, 0, true, {}, {kRunLockName}},
      {"not elevated, name held by a semaphore", false, false, true, 0, 0, ERROR_INVALID_HANDLE, false, {},
       {kRunLockName}},
      {"Wine", true, true, true, 0, 0, 0, true, {}, {global}},
      {"Wine, name held by an event", true, true, true, 0, 0, ERROR_INVALID_HANDLE, false, {}, {global}},
      {"Windows XP", false, true, false, 0, 0, 0, true, {}, {global}},
      {"Windows XP, limited user", false, false, false, 0, 0, 0, true, {}, {global}},
      {"Windows XP, name held by an event", false, true, false, 0, 0, ERROR_INVALID_HANDLE, false, {}, {global}},
  };
  for (const Case& c : cases) {
    FakeLockSystem fake;
    fake.createNamespaceError = c.createNamespaceError;
    fake.openNamespaceError = c.openNamespaceError;
    fake.mutexError = c.mutexError;
    fakeLock = &fake;
    const RunLockCalls calls = FakeCalls(c.wine, c.administrator, c.vista);
    {
      RunLock lock(calls);
      EXPECT_EQ(lock.Take(), c.taken) << c.what;
      EXPECT_EQ(lock.Held(), c.taken) << c.what;
      EXPECT_EQ(fake.asked, c.asked) << c.what;
      EXPECT_EQ(fake.mutexNames, c.mutexNames) << c.what;
      EXPECT_EQ(fake.boundaryHoldsAdministrators, !c.asked.empty()) << c.what;
      // The namespace stays open while the lock is held: it keeps the name's place.
      EXPECT_EQ(fake.namespacesOpen, c.taken && !c.asked.empty() ? 1 : 0) << c.what;
      lock.Release();
      EXPECT_FALSE(lock.Held()) << c.what;
    }
    EXPECT_EQ(fake.namespacesOpen, 0) << c.what;
    EXPECT_EQ(fake.boundariesOpen, 0) << c.what;
    fakeLock = nullptr;
  }
  // This system is Wine: the real calls lead to the global name.
  EXPECT_TRUE(SystemRunLockCalls().underWine);
  EXPECT_EQ(PlaceOfRunLock(SystemRunLockCalls()), RunLockPlace::Global);
}

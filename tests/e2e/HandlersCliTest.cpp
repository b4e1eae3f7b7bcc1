// Windows' clean-up handlers driven by purlo-cli, with the test handler of
// tests/handlers: registered under allowlisted names in the prefix's
// machine keys, trusted in the system folder, planted outside it. Every load
// of it is in its record, so a planted copy that was loaded cannot hide.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <thread>

#include "engine/core/CleanupHandlers.h"
#include "engine/core/Run.h"
#include "engine/sweep/SweepWorker.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Gui.h"
#include "tests/support/RecordingView.h"
#include "tests/support/TestHandlers.h"
#include "win/Handles.h"

using namespace testing_support;

namespace {

const wchar_t kFive[] = L"PreviousInstallations UpdateCleanup DeliveryOptimization DriverPackages ThumbnailCache";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  return text;
}

// Every load in the record is of the trusted copy in the system folder.
void ExpectOnlyTrustedLoads(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.compare(0, 5, "load ") != 0) continue;
    EXPECT_EQ(Lower(line), "load c:\\windows\\system32\\purlo-test-handler.dll");
  }
}

// The handlers' apartment makes a window, and Wine starts its desktop
// process for the first window of a prefix with that process's standard
// handles, which it then holds for good: a purlo-cli with none starts it, so
// that it holds no output file a test reads (nor the pipe CTest reads).
// Needs a registered handler.
void StartWinesDesktopDetached() {
  win::UniqueKernel process = StartCli(L"scan ThumbnailCache", nullptr, nullptr);
  ASSERT_TRUE(process.Valid());
  ASSERT_EQ(::WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
}

bool Refuses(const JsonCategory& c, const std::wstring& path) {
  return std::any_of(c.refused.begin(), c.refused.end(),
                     [&](const JsonRefused& r) { return r.path == path && r.why == L"planted handler"; });
}

}  // namespace

TEST(HandlersCli, HandlersRunOnlyFromTheSystemFolderAndReportTheirFigures) {
  RemoveTestHandlers();
  ::DeleteFileW(kHandlerRecord);

  // No handler registered: the five say so, and nothing is loaded.
  CliOutput none = RunCli(std::wstring(L"scan --json ") + kFive);
  ASSERT_EQ(none.exitCode, 0) << none.err;
  JsonRun noneRun = ParseRun(none.out);
  ASSERT_TRUE(noneRun.parsed) << none.out;
  ASSERT_EQ(noneRun.categories.size(), 5u);
  for (const JsonCategory& c : noneRun.categories) EXPECT_EQ(c.status, L"no handler") << Narrow(c.id);
  EXPECT_TRUE(HandlerRecord().empty());

  RegisterTestHandlers();
  StartWinesDesktopDetached();
  CliOutput scan = RunCli(std::wstring(L"scan --json ") + kFive);
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  JsonRun scanRun = ParseRun(scan.out);
  ASSERT_TRUE(scanRun.parsed) << scan.out;
  const JsonCategory* previous = scanRun.Find(L"PreviousInstallations");
  const JsonCategory* update = scanRun.Find(L"UpdateCleanup");
  const JsonCategory* delivery = scanRun.Find(L"DeliveryOptimization");
  const JsonCategory* drivers = scanRun.Find(L"DriverPackages");
  const JsonCategory* thumbnails = scanRun.Find(L"ThumbnailCache");
  ASSERT_TRUE(previous && update && delivery && drivers && thumbnails) << scan.out;
  EXPECT_EQ(previous->status, L"done");
  EXPECT_EQ(previous->bytes, 3146728u);
  EXPECT_EQ(previous->items, 0u);
  EXPECT_EQ(previous->label, L"旧的 Windows 安装(可释放3.001MB)");
  EXPECT_EQ(update->bytes, 5000000u);
  EXPECT_EQ(drivers->bytes, 70000u);
  EXPECT_EQ(drivers->label, L"旧的设备驱动程序包(可释放68.359KB)");
  // The planted ones count nothing and are named.
  EXPECT_EQ(delivery->bytes, 0u);
  EXPECT_TRUE(Refuses(*delivery, UserProfileFolder() + L"\\purlo-planted-handler.dll")) << scan.out;
  EXPECT_EQ(thumbnails->bytes, 0u);
  EXPECT_TRUE(Refuses(*thumbnails, L"C:\\windows\\system32\\purlo-linked-handler.dll")) << scan.out;
  EXPECT_TRUE(Refuses(*update, L"HKLM\\" + kMachineClasses + kUsersOwnHandler + L"\\InprocServer32")) << scan.out;
  EXPECT_NE(scan.err.find("ThumbnailCache: root refused (planted handler)"), std::string::npos) << scan.err;
  std::vector<std::string> record = HandlerRecord();
  ExpectOnlyTrustedLoads(record);
  EXPECT_GE(CountOf(record, "load "), 1u);
  EXPECT_EQ(CountOf(record, "initialize "), 4u);
  EXPECT_EQ(CountOf(record, "deactivate "), 4u);
  EXPECT_EQ(CountOf(record, "initialize Previous Installations on C:\\"), 1u);
  EXPECT_EQ(CountOf(record, "purge "), 0u) << "a scan purged";

  // The sweep purges what each measured; the failing one is named with its step and error.
  ::DeleteFileW(kHandlerRecord);
  CliOutput sweep = RunCli(L"sweep --yes --json PreviousInstallations DriverPackages");
  EXPECT_EQ(sweep.exitCode, 3) << sweep.err;
  JsonRun sweepRun = ParseRun(sweep.out);
  ASSERT_TRUE(sweepRun.parsed) << sweep.out;
  const JsonCategory* swept = sweepRun.Find(L"PreviousInstallations");
  const JsonCategory* failed = sweepRun.Find(L"DriverPackages");
  ASSERT_TRUE(swept && failed) << sweep.out;
  EXPECT_TRUE(swept->refused.empty() && failed->refused.empty()) << "exit 3 must come from the failure alone";
  EXPECT_EQ(swept->bytes, 3146728u);
  EXPECT_EQ(swept->label, L"旧的 Windows 安装(已释放3.001MB)");
  EXPECT_TRUE(swept->failed.empty());
  EXPECT_EQ(failed->bytes, 0u);
  ASSERT_EQ(failed->failed.size(), 1u);
  EXPECT_EQ(failed->failed[0], L"Device Driver Packages: Purge failed (error 0x80004005)");
  EXPECT_EQ(TestHandlerBytes(L"Previous Installations"), 0u);
  EXPECT_EQ(TestHandlerBytes(L"Windows Upgrade Log Files"), 0u);
  record = HandlerRecord();
  ExpectOnlyTrustedLoads(record);
  EXPECT_EQ(CountOf(record, "purge Previous Installations 3145728"), 1u);
  EXPECT_EQ(CountOf(record, "purge Windows Upgrade Log Files 1000"), 1u);
  EXPECT_EQ(CountOf(record, "purge Device Driver Packages 70000"), 1u);
  EXPECT_EQ(CountOf(record, "deactivate "), CountOf(record, "initialize "));

  // --all never sweeps what cannot be undone; the two others it does.
  ::DeleteFileW(kHandlerRecord);
  CliOutput all = RunCli(L"sweep --all --yes --json");
  JsonRun allRun = ParseRun(all.out);
  ASSERT_TRUE(allRun.parsed) << all.out;
  EXPECT_EQ(allRun.Find(L"PreviousInstallations"), nullptr);
  EXPECT_EQ(allRun.Find(L"UpdateCleanup"), nullptr);
  EXPECT_EQ(allRun.Find(L"DriverPackages"), nullptr);
  ASSERT_NE(allRun.Find(L"DeliveryOptimization"), nullptr);
  ASSERT_NE(allRun.Find(L"ThumbnailCache"), nullptr);
  EXPECT_TRUE(Refuses(*allRun.Find(L"DeliveryOptimization"), UserProfileFolder() + L"\\purlo-planted-handler.dll"));
  EXPECT_EQ(all.exitCode, 3) << "a refused handler is something left";
  record = HandlerRecord();
  EXPECT_EQ(CountOf(record, "purge "), 0u);
  EXPECT_EQ(TestHandlerBytes(L"Update Cleanup"), 5000000u);
  ExpectOnlyTrustedLoads(record);

  RemoveTestHandlers();
}

namespace {

// The event goes to every process of the console's group: this one stays.
BOOL WINAPI IgnoreControl(DWORD) { return TRUE; }

}  // namespace

TEST(HandlersCli, CtrlCAsksAPurgeToStopAtItsNextStepAndWaitsForIt) {
  RemoveTestHandlers();
  ::DeleteFileW(kHandlerRecord);
  RegisterTestHandlers();
  StartWinesDesktopDetached();
  TestFolder base(L"handler-interrupt");
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
  ::SetConsoleCtrlHandler(IgnoreControl, TRUE);
  const std::wstring outPath = base / L"out.json", errPath = base / L"err.txt";
  win::UniqueFile out = InheritableOutput(outPath), err = InheritableOutput(errPath);
  win::UniqueKernel process = StartCli(L"sweep --yes --json UpdateCleanup", out.Get(), err.Get());
  ASSERT_TRUE(process.Valid());
  out.Reset();
  err.Reset();
  ASSERT_TRUE(WaitUntil([] { return CountOf(HandlerRecord(), "step Update Cleanup 5") == 1; }, 30000, 20))
      << "the slow purge did not start";
  ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << ::GetLastError();
  ASSERT_EQ(::WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  ::FreeConsole();

  EXPECT_EQ(code, 130u);
  const std::vector<std::string> record = HandlerRecord();
  // Stopped at a step through its callback, then deactivated: not killed.
  EXPECT_EQ(CountOf(record, "aborted Update Cleanup at "), 1u);
  EXPECT_EQ(CountOf(record, "step Update Cleanup 100"), 0u);
  EXPECT_EQ(CountOf(record, "deactivate Update Cleanup"), 1u);
  const std::string errText = ReadAll(errPath);
  EXPECT_NE(errText.find("UpdateCleanup: waiting for Windows' clean-up handler \"Purlo test Update Cleanup\" to stop"),
            std::string::npos)
      << errText;
  JsonRun run = ParseRun(ReadAll(outPath));
  ASSERT_TRUE(run.parsed) << ReadAll(outPath);
  ASSERT_EQ(run.categories.size(), 1u);
  // What it freed before it stopped, as it reported it.
  const uint64_t left = TestHandlerBytes(L"Update Cleanup");
  EXPECT_GT(run.categories[0].bytes, 0u);
  EXPECT_LT(run.categories[0].bytes, 5000000u);
  EXPECT_EQ(run.categories[0].bytes + left, 5000000u);
  RemoveTestHandlers();
}

TEST(HandlersCli, PauseHoldsAPurgeAtItsNextStep) {
  RemoveTestHandlers();
  ::DeleteFileW(kHandlerRecord);
  RegisterTestHandlers();
  StartWinesDesktopDetached();
  RecordingView view;
  purlo::Run& run = TestRun();
  auto* task = new purlo::ScanTask{&run, {}, &view, purlo::Info(purlo::JunkCategory::UpdateCleanup).taskLabel,
                                   purlo::JunkCategory::UpdateCleanup, nullptr, nullptr};
  std::thread worker([task] { purlo::SweepWorker(task); });
  auto steps = [] { return CountOf(HandlerRecord(), "step Update Cleanup "); };
  ASSERT_TRUE(WaitUntil([&] { return steps() >= 3; }, 30000, 20));
  run.RunGate.Close();
  ::Sleep(300);  // one step may be under way
  const size_t held = steps();
  ::Sleep(1000);
  EXPECT_LE(steps(), held + 1) << "the purge went on while paused";
  const size_t beforeOpen = steps();
  EXPECT_LT(beforeOpen, 20u);
  run.RunGate.Open();
  EXPECT_TRUE(WaitUntil([&] { return steps() >= beforeOpen + 3; }, 5000, 20)) << "the purge did not go on";
  run.ShutdownRequested = 1;
  worker.join();
  run.ShutdownRequested = 0;
  const std::vector<std::string> record = HandlerRecord();
  EXPECT_EQ(CountOf(record, "aborted Update Cleanup at "), 1u);
  EXPECT_EQ(CountOf(record, "deactivate Update Cleanup"), 1u);
  const std::vector<purlo::CategoryResult> results = view.Results();
  ASSERT_EQ(results.size(), 1u);
  EXPECT_GT(results[0].bytes, 0u);
  EXPECT_LT(results[0].bytes, 5000000u);
  RemoveTestHandlers();
}

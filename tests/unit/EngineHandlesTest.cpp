// The engine's own handles: every monitor's thread handle closed when its run
// ends, and the workers of a monitor that could not start left to the next.
#include <gtest/gtest.h>

#include "engine/core/CompletionMonitor.h"
#include "engine/core/Run.h"
#include "engine/core/Texts.h"
#include "engine/scan/ScanController.h"
#include "tests/support/Gui.h"
#include "tests/support/RecordingView.h"

using namespace purlo;
using namespace testing_support;

namespace {

// Tells the test when the monitor reported, without waiting for its thread
// the way a console run does: as the dialog, which never waits.
struct DialogLikeView : RecordingView {
  win::UniqueEvent reported{::CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  void RunEnded(const RunEnd& end) override {
    RecordingView::RunEnded(end);
    ::SetEvent(reported.Get());
  }
};

bool OpenMonitorHandlesReach(size_t count, DWORD milliseconds) {
  return WaitUntil([&] { return TestRun().WorkerList.MonitorHandles() == count; }, milliseconds, 10);
}

struct Handles : ::testing::Test {
  purlo::Run& run = TestRun();
  void SetUp() override {
    ASSERT_TRUE(run.Ready());
    run.WorkerList.WaitForMonitors();
    run.RunningTotals.Take();
    run.WindowsMajorVersion = MajorVersionFromGetVersion();
  }
};

int g_started = 0;
HANDLE FailSecond(ThreadEntry entry, void* argument) {
  return ++g_started == 2 ? nullptr : StartThread(entry, argument);
}

}  // namespace

TEST_F(Handles, EachMonitorClosesItsThreadHandleWhenItsRunEnds) {
  WindowsLookups lookups;
  for (int round = 0; round < 12; ++round) {
    DialogLikeView view;
    ASSERT_EQ(StartScan(run, view, {JunkCategory::IeTypedUrls}, lookups), StartResult::Started);
    ASSERT_EQ(::WaitForSingleObject(view.reported.Get(), 20000), WAIT_OBJECT_0);
    // Nobody waits for the monitor; its handle must not stay behind anyway.
    ASSERT_TRUE(OpenMonitorHandlesReach(0, 5000)) << "run " << round << ": " << TestRun().WorkerList.MonitorHandles();
  }
  EXPECT_EQ(TestRun().WorkerList.Size(), 0u);
}

TEST_F(Handles, AConsoleRunStillWaitsForItsMonitor) {
  WindowsLookups lookups;
  RecordingView view;
  ASSERT_EQ(StartScan(run, view, {JunkCategory::IeTypedUrls, JunkCategory::RunHistory}, lookups), StartResult::Started);
  ASSERT_TRUE(view.WaitForRunEnd());
  EXPECT_EQ(TestRun().WorkerList.MonitorHandles(), 0u);
  EXPECT_EQ(TestRun().WorkerList.Size(), 0u);
}

TEST_F(Handles, WorkersOfAMonitorThatCouldNotStartAreClosedByTheNext) {
  WindowsLookups lookups;
  RecordingView view;
  g_started = 0;  // the worker is the first thread, the monitor the second
  EXPECT_EQ(StartScan(run, view, {JunkCategory::IeTypedUrls}, lookups, FailSecond), StartResult::ThreadFailed);
  ASSERT_EQ(view.Messages().size(), 1u);
  EXPECT_EQ(view.Messages()[0].text, texts::kScanFailed);
  EXPECT_EQ(TestRun().WorkerList.Size(), 1u);
  EXPECT_EQ(TestRun().WorkerList.MonitorHandles(), 0u);

  RecordingView next;
  ASSERT_EQ(StartScan(run, next, {JunkCategory::RunHistory}, lookups), StartResult::Started);
  ASSERT_TRUE(next.WaitForRunEnd());
  EXPECT_EQ(TestRun().WorkerList.Size(), 0u) << "the first run's worker handle was never closed";
}

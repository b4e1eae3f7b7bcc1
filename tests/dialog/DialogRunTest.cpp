// Scans and sweeps by clicks on the real Purlo.exe: the figures against
// purlo-cli on the same sandbox, pause, cancel, and closing during a run.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "engine/core/Catalogue.h"
#include "engine/core/RunLock.h"
#include "engine/core/RunState.h"
#include "tests/dialog/PurloWindow.h"
#include "tests/e2e/Seeds.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TestHandlers.h"
#include "ui/Texts.h"
#include "win/Handles.h"

using namespace testing_support;
namespace texts = purlo::texts;
using purlo::JunkCategory;

namespace {

const wchar_t kTheWorldBare[] = L"世界之窗浏览记录";

int Version() { return purlo::MajorVersionFromGetVersion(); }

// Files below a folder, and whether each one still has the size it was laid with.
struct TreeCount {
  int files = 0;
  int wrongSize = 0;
};

void CountLevel(const std::wstring& folder, TreeCount& count) {
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
  if (!listing) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CountLevel(folder + L"\\" + name, count);
    } else {
      ++count.files;
      const int index = _wtoi(name.c_str() + 1);  // fNNNNN.tmp
      if (entry.nFileSizeLow != static_cast<DWORD>((index * 37) % 1024)) ++count.wrongSize;
    }
  } while (::FindNextFileW(listing.Get(), &entry));
}

class Runs : public GuiTest {
 protected:
  void Open() {
    ASSERT_TRUE(app.Start(kPurloExe, L"Purlo Beta"));
    tree = app.Control(IDC_CATEGORY_TREE);
    startScan = app.Control(IDC_START_SCAN);
    sweepNow = app.Control(IDC_SWEEP_NOW);
    status = app.Control(IDC_STATUS);
    ASSERT_EQ(TreeItems(tree).size(), static_cast<size_t>(purlo::kCategoryCount));
  }
  std::wstring Label(JunkCategory category) { return TreeItems(tree).at(static_cast<int>(category)).text; }

  // purlo-cli's scan of TheWorldHistory pointed at `folder`: the reference figures.
  void ReferenceScan(const std::wstring& folder) {
    PointTheWorldAt(folder);
    CliOutput out = RunCli(L"scan --json TheWorldHistory");
    ASSERT_EQ(out.exitCode, 0) << out.err;
    JsonRun run = ParseRun(out.out);
    ASSERT_TRUE(run.parsed);
    ASSERT_EQ(run.categories.size(), 1u);
    referenceLabel = run.categories[0].label;
    referenceSummary = run.summary;
    ASSERT_EQ(run.categories[0].items, 20000u);
  }

  HWND tree = nullptr, startScan = nullptr, sweepNow = nullptr, status = nullptr;
  std::wstring referenceLabel, referenceSummary;
};

}  // namespace

TEST_F(Runs, ScanByClicksShowsWhatTheCliReports) {
  const int version = Version();
  ClearAllLocations(version);
  for (const CategoryCase& c : AllCases()) c.seed(version);
  CliOutput out = RunCli(L"scan --all --json");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun cli = ParseRun(out.out);
  ASSERT_TRUE(cli.parsed);
  ASSERT_EQ(cli.categories.size(), static_cast<size_t>(purlo::kCategoryCount));

  Open();
  ASSERT_TRUE(Click(app.Control(IDC_SELECT_ALL)));
  ASSERT_TRUE(WaitUntil([&] { return Ticks(tree) == std::vector<bool>(purlo::kCategoryCount, true); }));
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForText(startScan, texts::kRescan, kRunTimeoutMs));
  std::vector<std::wstring> labels = Labels(tree);
  for (size_t i = 0; i < static_cast<size_t>(purlo::kCategoryCount); ++i) {
    EXPECT_EQ(labels[i], cli.categories[i].label) << Narrow(cli.categories[i].id);
  }
  EXPECT_EQ(Text(status), cli.summary);
  EXPECT_EQ(Text(sweepNow), texts::kSweepNow);
  // Both open up once the run has ended, just after the texts.
  EXPECT_TRUE(WaitUntil([&] { return Enabled(sweepNow) && Enabled(startScan); }));
  Screenshot(L"scanned");

  // Another run (this process, as purlo-cli would) holds the machine's run
  // lock: neither button starts one; each says so, and why, and leaves the figures.
  purlo::RunLock other;
  ASSERT_TRUE(other.Take());
  for (HWND button : {startScan, sweepNow}) {
    ASSERT_TRUE(Click(button));
    MessageBoxInfo box = WaitForMessageBox(app.Pid(), 10000);
    ASSERT_TRUE(box.Found());
    if (button == sweepNow) {
      // Everything is ticked: what cannot be undone is asked first.
      EXPECT_EQ(box.text, texts::kIrreversibleQuestion);
      ASSERT_TRUE(AnswerMessageBox(box, IDYES));
      box = WaitForMessageBox(app.Pid(), 10000);
      ASSERT_TRUE(box.Found());
    }
    EXPECT_EQ(box.text, std::wstring(button == startScan ? texts::kScanFailed : texts::kSweepFailed) + L"\n" +
                            texts::kAnotherRunHoldsTheLock);
    EXPECT_EQ(box.caption, texts::kAppTitle);
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    EXPECT_EQ(Labels(tree), labels);
    EXPECT_EQ(Text(status), cli.summary);
  }
  EXPECT_EQ(Text(startScan), texts::kRescan);
  EXPECT_EQ(Text(sweepNow), texts::kSweepNow);
}

TEST_F(Runs, SweepByClicksDeletesTheJunkAndNothingElse) {
  const int version = Version();
  ClearAllLocations(version);
  std::vector<Expected> expected;
  std::vector<std::wstring> sentinels;
  uint64_t bytes = 0;
  for (const CategoryCase& c : AllCases()) {
    expected.push_back(c.seed(version));
    bytes += expected.back().bytes;
    for (const std::wstring& root : c.roots(version)) {
      sentinels.push_back(SentinelFor(root, L"purlo-gui-sentinel-"));
      WriteFile(sentinels.back(), 9);
    }
  }
  Open();
  ASSERT_TRUE(Click(app.Control(IDC_SELECT_ALL)));
  ASSERT_TRUE(WaitUntil([&] { return Ticks(tree) == std::vector<bool>(purlo::kCategoryCount, true); }));
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForText(startScan, texts::kRescan, kRunTimeoutMs));
  ASSERT_TRUE(WaitUntil([&] { return Enabled(sweepNow); }));
  // The ticks include what cannot be undone: asked once, No sweeps nothing.
  ASSERT_TRUE(Click(sweepNow));
  MessageBoxInfo question = WaitForMessageBox(app.Pid(), 30000);
  ASSERT_TRUE(question.Found());
  EXPECT_EQ(question.caption, texts::kPrompt);
  EXPECT_EQ(question.text, texts::kIrreversibleQuestion);
  EXPECT_EQ(question.buttons, (std::vector<int>{IDYES, IDNO}));
  ASSERT_TRUE(AnswerMessageBox(question, IDNO));
  EXPECT_TRUE(WaitUntil([&] { return Enabled(sweepNow) && Text(sweepNow) == texts::kSweepNow; }));
  EXPECT_FALSE(IsEmptyFolder(AllCases()[0].roots(version)[0], {})) << "No swept";
  ASSERT_TRUE(Click(sweepNow));
  question = WaitForMessageBox(app.Pid(), 30000);
  ASSERT_TRUE(question.Found());
  EXPECT_EQ(question.text, texts::kIrreversibleQuestion);
  ASSERT_TRUE(AnswerMessageBox(question, IDYES));
  MessageBoxInfo box = WaitForMessageBox(app.Pid(), 30000);
  ASSERT_TRUE(box.Found());
  char summary[160];
  std::snprintf(summary, sizeof summary, "已经成功清理选中的文件，为您节省了%0.3fMB的磁盘空间。", bytes / 1048576.0);
  EXPECT_EQ(box.caption, texts::kSweepDone);
  EXPECT_EQ(Narrow(box.text), summary);
  EXPECT_FALSE(box.hasIcon);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  Screenshot(L"swept");
  ASSERT_TRUE(AnswerMessageBox(box, IDOK));

  std::vector<std::wstring> labels = Labels(tree);
  for (size_t i = 0; i < AllCases().size(); ++i) {
    const CategoryCase& c = AllCases()[i];
    EXPECT_EQ(labels[i], SweepLabel(c.id, expected[i].label));
    // QqPlayerHistory's second and third roots lie inside its first, and the
    // Recent folder's jump lists are the user's pins: they stay.
    const std::vector<std::wstring> kept = NestedRoots(c, version);
    for (const std::wstring& root : c.roots(version)) {
      EXPECT_TRUE(IsEmptyFolder(root, kept)) << Narrow(c.id) << " left something in " << Narrow(root);
    }
  }
  for (const std::wstring& sentinel : sentinels) {
    EXPECT_EQ(FileSize(sentinel), 9u) << Narrow(sentinel);
    ::DeleteFileW(sentinel.c_str());
  }
  EXPECT_EQ(Text(status), L"");
  EXPECT_TRUE(WaitUntil([&] { return Enabled(startScan) && Text(startScan) == texts::kRescan; }));
  EXPECT_TRUE(Enabled(sweepNow));
}

// A double click on "开始扫描" starts the scan and pauses nothing. Paused,
// nothing moves; the window still answers; continued, the scan ends with the
// figures of a scan that was never paused.
TEST_F(Runs, PauseHoldsEveryFigureAndContinueEndsLikeAnUnpausedScan) {
  ReferenceScan(kSmallTree);
  Open();
  ASSERT_TRUE(TickOnly(tree, {JunkCategory::TheWorldHistory}));
  ASSERT_TRUE(MouseClick(startScan));
  ASSERT_TRUE(MouseClick(startScan)) << "the second click of a double click";
  ASSERT_TRUE(WaitForScanProgress(status)) << Narrow(Text(status));
  EXPECT_NE(Text(status).find(L"C:\\purlo-gui\\small\\data"), std::wstring::npos) << Narrow(Text(status));
  const std::wstring early = Text(status);
  EXPECT_TRUE(WaitUntil([&] { return Text(status) != early; }, 2000)) << "the double click paused the scan";
  ASSERT_EQ(Text(startScan), texts::kPause);
  WaitOutDoubleClickTime();
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForText(startScan, texts::kContinue, 2000));
  WaitForSteadyText(status, 150);  // the walkers have stopped and the line shows the last file
  const std::wstring label = Label(JunkCategory::TheWorldHistory);
  const std::wstring pausedStatus = Text(status);
  ASSERT_EQ(label, kTheWorldBare) << "the scan ended before the pause";
  double slowest = 0;
  for (int i = 0; i < 20; ++i) {
    ::Sleep(100);
    EXPECT_EQ(Label(JunkCategory::TheWorldHistory), label);
    EXPECT_EQ(Text(status), pausedStatus);
    const double ms = RoundTripMs(app.Main(), 1000);
    EXPECT_GE(ms, 0);
    slowest = std::max(slowest, ms);
  }
  EXPECT_LT(slowest, 100.0);
  std::printf("slowest round trip while paused: %.1f ms\n", slowest);
  EXPECT_EQ(Text(sweepNow), texts::kCancelScan);
  ASSERT_TRUE(Click(startScan));
  EXPECT_TRUE(WaitForText(startScan, texts::kPause, 2000));
  ASSERT_TRUE(WaitForText(startScan, texts::kRescan, kRunTimeoutMs));
  EXPECT_EQ(Label(JunkCategory::TheWorldHistory), referenceLabel);
  EXPECT_EQ(Text(status), referenceSummary);
}

// No lets the scan go on (a paused one stays paused); Yes ends it with what
// it had counted.
TEST_F(Runs, CancelNoGoesOnAndYesEndsWithTheFiguresSoFar) {
  ReferenceScan(kSmallTree);
  Open();
  ASSERT_TRUE(TickOnly(tree, {JunkCategory::TheWorldHistory}));

  // Running, No: the question holds the walk, then it runs to its end.
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForScanProgress(status));
  ASSERT_TRUE(Click(sweepNow));
  MessageBoxInfo box = WaitForMessageBox(app.Pid());
  ASSERT_TRUE(box.Found());
  EXPECT_EQ(box.text, texts::kCancelScanQuestion);
  EXPECT_EQ(box.caption, texts::kPrompt);
  EXPECT_FALSE(box.hasIcon);
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  WaitForSteadyText(status, 150);  // the walk has stopped at the question
  const std::wstring asked = Text(status);
  ::Sleep(500);
  EXPECT_EQ(Text(status), asked) << "the walk waits while the question is on screen";
  ASSERT_TRUE(AnswerMessageBox(box, IDNO));
  EXPECT_EQ(Text(startScan), texts::kPause);
  EXPECT_EQ(Text(sweepNow), texts::kCancelScan);
  ASSERT_TRUE(WaitForText(startScan, texts::kRescan, kRunTimeoutMs));
  EXPECT_EQ(Label(JunkCategory::TheWorldHistory), referenceLabel);
  EXPECT_EQ(Text(status), referenceSummary);
  EXPECT_TRUE(NoMessageBoxFor(app.Pid(), 200)) << "a cancel-scan click never starts a sweep";

  // Paused, No: still paused. Then Yes: ended with the figures so far.
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForScanProgress(status));
  WaitOutDoubleClickTime();
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForText(startScan, texts::kContinue, 2000));
  ASSERT_TRUE(Click(sweepNow));
  box = WaitForMessageBox(app.Pid());
  ASSERT_TRUE(box.Found());
  ASSERT_TRUE(AnswerMessageBox(box, IDNO));
  EXPECT_EQ(Text(startScan), texts::kContinue);
  WaitForSteadyText(status, 150);
  const std::wstring paused = Text(status);
  ::Sleep(700);
  EXPECT_EQ(Text(status), paused) << "a paused scan stays paused after No";
  EXPECT_EQ(Label(JunkCategory::TheWorldHistory), kTheWorldBare);

  ASSERT_TRUE(Click(sweepNow));
  box = WaitForMessageBox(app.Pid());
  ASSERT_TRUE(box.Found());
  ASSERT_TRUE(AnswerMessageBox(box, IDYES));
  EXPECT_EQ(Text(startScan), texts::kRescan);
  EXPECT_EQ(Text(sweepNow), texts::kSweepNow);
  ASSERT_TRUE(WaitUntil([&] { return Enabled(startScan); }, 5000)) << "the cancelled scan ends";
  ASSERT_TRUE(WaitUntil([&] { return Text(status).rfind(L"扫描已经完成", 0) == 0; }, 5000));
  const std::wstring cut = Label(JunkCategory::TheWorldHistory);
  EXPECT_NE(cut, referenceLabel) << "cancelled before the end";
  EXPECT_EQ(cut.rfind(std::wstring(kTheWorldBare) + L"(", 0), 0u) << Narrow(cut);
  EXPECT_TRUE(WaitUntil([&] { return Enabled(sweepNow); }));

  // Running, Yes.
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForScanProgress(status));
  ASSERT_TRUE(Click(sweepNow));
  box = WaitForMessageBox(app.Pid());
  ASSERT_TRUE(box.Found());
  ASSERT_TRUE(AnswerMessageBox(box, IDYES));
  ASSERT_TRUE(WaitUntil([&] { return Enabled(startScan) && Text(status).rfind(L"扫描已经完成", 0) == 0; }, 5000));
  EXPECT_NE(Label(JunkCategory::TheWorldHistory), referenceLabel);
  EXPECT_TRUE(NoMessageBoxFor(app.Pid(), 200));
}

// A path longer than the status line loses its middle, not its file name.
TEST_F(Runs, ALongPathLosesItsMiddleInTheStatusLineAndKeepsItsFileName) {
  PointTheWorldAt(kLongTree);
  Open();
  ASSERT_TRUE(TickOnly(tree, {JunkCategory::TheWorldHistory}));
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForScanProgress(status));
  WaitOutDoubleClickTime();
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForText(startScan, texts::kContinue, 2000));
  WaitForSteadyText(status, 150);
  const std::wstring shown = Text(status);
  const std::wstring start = L"正在扫描: C:\\purlo-gui\\long\\";
  EXPECT_EQ(shown.rfind(start, 0), 0u) << Narrow(shown);
  EXPECT_NE(shown.find(L"...", start.size()), std::wstring::npos) << Narrow(shown);
  EXPECT_LT(shown.size(), 160u) << "shorter than the path: " << Narrow(shown);
  // Ends with the whole file name, \fNNNNN.tmp.
  ASSERT_GT(shown.size(), 11u);
  const std::wstring name = shown.substr(shown.size() - 11);
  EXPECT_EQ(name.substr(0, 2), L"\\f") << Narrow(shown);
  EXPECT_EQ(name.substr(7), L".tmp") << Narrow(shown);
  Screenshot(L"long-path");
}

TEST_F(Runs, ClosingDuringAScanOf50000FilesEndsTheProcessWithin5s) {
  PointTheWorldAt(kGuiTree);
  Open();
  ASSERT_TRUE(TickOnly(tree, {JunkCategory::TheWorldHistory}));
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForScanProgress(status));
  // Closed with the walk well under way, past its first file.
  const std::wstring first = Text(status);
  WaitUntil([&] { return Text(status) != first; });
  ASSERT_EQ(Text(startScan), texts::kPause);
  const DWORD start = ::GetTickCount();
  RequestClose(app.Main());
  EXPECT_TRUE(app.process().WaitForExit(5000));
  std::printf("closed during a scan in %lu ms\n", ::GetTickCount() - start);
}

// Esc, pressed as a person would right after clicking "立即清理", ends the
// program: the focus left the button as the sweep disabled it. Until then the
// status line shows the file being deleted.
TEST_F(Runs, EscDuringASweepOf50000FilesEndsTheProcessWithin2sAndLeavesWholeFiles) {
  PointTheWorldAt(kGuiTree);
  TreeCount before;
  CountLevel(std::wstring(kGuiTree) + L"\\data", before);
  ASSERT_GT(before.files, 40000);
  Open();
  ASSERT_TRUE(TickOnly(tree, {JunkCategory::TheWorldHistory}));
  // Sweep-now opens up once a scan has ended: here a cancelled one.
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForScanProgress(status));
  ASSERT_TRUE(Click(sweepNow));
  MessageBoxInfo box = WaitForMessageBox(app.Pid());
  ASSERT_TRUE(box.Found());
  ASSERT_TRUE(AnswerMessageBox(box, IDYES));
  ASSERT_TRUE(WaitUntil([&] {
    return Text(status).rfind(L"扫描已经完成", 0) == 0 && Enabled(sweepNow) && Enabled(startScan);
  }, 5000));
  ASSERT_TRUE(MouseClick(sweepNow));
  ASSERT_TRUE(WaitUntil([&] { return !Enabled(startScan) && !Enabled(sweepNow); }, 2000)) << "no scan during a sweep";
  ASSERT_TRUE(WaitUntil([&] { return Text(status).rfind(texts::kSweepingPrefix, 0) == 0; }, 5000))
      << Narrow(Text(status));
  const std::wstring first = Text(status);
  EXPECT_NE(first.find(L"\\f"), std::wstring::npos) << "a file's name: " << Narrow(first);
  ASSERT_TRUE(WaitUntil([&] { return Text(status) != first; }, 2000)) << "the line moves";
  EXPECT_EQ(Text(status).rfind(texts::kSweepingPrefix, 0), 0u) << Narrow(Text(status));
  EXPECT_NE(FocusedWindow(app.Main()), nullptr) << "some control keeps the keyboard";
  const DWORD start = ::GetTickCount();
  ASSERT_TRUE(TypeKey(app.Main(), VK_ESCAPE));
  EXPECT_TRUE(app.process().WaitForExit(2000));
  std::printf("Esc ended a sweep in %lu ms\n", ::GetTickCount() - start);
  TreeCount after;
  CountLevel(std::wstring(kGuiTree) + L"\\data", after);
  EXPECT_LT(after.files, before.files) << "the sweep had begun";
  EXPECT_GT(after.files, 0) << "the sweep was stopped before its end";
  EXPECT_EQ(after.wrongSize, 0) << "every file left is whole";
}

// Closed in the middle of a clean-up handler's purge, the window stays up and
// says it waits; the handler is asked through its callback, stops at its next
// step and is deactivated, never killed; then the program ends.
TEST_F(Runs, ClosingDuringAHandlersPurgeWaitsForItToStopAtItsNextStep) {
  RemoveTestHandlers();
  ::DeleteFileW(kHandlerRecord);
  RegisterTestHandlers();
  SetTestHandlerStep(L"Update Cleanup", 2500);  // longer than closing once waited
  Open();
  ASSERT_TRUE(TickOnly(tree, {JunkCategory::UpdateCleanup}));
  ASSERT_TRUE(Click(startScan));
  ASSERT_TRUE(WaitForText(startScan, texts::kRescan, kRunTimeoutMs));
  ASSERT_TRUE(WaitUntil([&] { return Enabled(sweepNow); }));
  ASSERT_TRUE(Click(sweepNow));
  MessageBoxInfo question = WaitForMessageBox(app.Pid(), 30000);
  ASSERT_TRUE(question.Found());
  EXPECT_EQ(question.text, texts::kIrreversibleQuestion);
  ASSERT_TRUE(AnswerMessageBox(question, IDYES));
  ASSERT_TRUE(WaitUntil([] { return CountOf(HandlerRecord(), "step Update Cleanup 1") == 1; }, 30000));
  RequestClose(app.Main());
  EXPECT_TRUE(WaitUntil([&] { return Text(status) == texts::kWaitingForHandler; }, 1000)) << Narrow(Text(status));
  EXPECT_TRUE(app.process().WaitForExit(20000));
  const std::vector<std::string> record = HandlerRecord();
  EXPECT_EQ(CountOf(record, "aborted Update Cleanup at "), 1u);
  EXPECT_EQ(CountOf(record, "step Update Cleanup 5"), 0u) << "the purge went on";
  EXPECT_EQ(CountOf(record, "initialize Update Cleanup"), 2u);  // the scan and the sweep
  EXPECT_EQ(CountOf(record, "deactivate Update Cleanup"), 2u);
  EXPECT_EQ(TestHandlerBytes(L"Update Cleanup") % 50000, 0u);  // whole steps: what it reported is what went
  RemoveTestHandlers();
}

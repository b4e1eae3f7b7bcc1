// Limits every walk keeps: depth that does not ride on the stack, paths past
// MAX_PATH, roots of one task walked once and never removed, real locations
// on a drive, and a worker that dies never passing for a clean result.
#include <gtest/gtest.h>
#include <malloc.h>
#include <process.h>

#include "cli/Run.h"
#include "engine/core/Paths.h"
#include "engine/core/RootJudge.h"
#include "engine/core/RunState.h"
#include "engine/scan/FileTreeScanner.h"
#include "engine/scan/ScanWorker.h"
#include "engine/sweep/DeleteGuard.h"
#include "engine/sweep/FileTreeDeleter.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "win/Handles.h"

using namespace purlo;
using namespace testing_support;

namespace {

std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

// A chain of `depth` folders "a" below `root`, made through the long form; returns the deepest.
std::wstring MakeChain(const std::wstring& root, int depth) {
  std::wstring path = root;
  for (int i = 0; i < depth; ++i) {
    path += L"\\a";
    ::CreateDirectoryW(Long(path).c_str(), nullptr);
  }
  return path;
}

void WriteLong(const std::wstring& path, DWORD size) {
  win::UniqueFile f(::CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(f.Valid()) << ::GetLastError();
  std::string bytes(size, 'x');
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(f.Get(), bytes.data(), size, &written, nullptr));
}

struct Walked {
  WalkResult result;
  bool done = false;
};
struct WalkJob {
  std::wstring root;
  bool sweep;
  Walked* out;
};

constexpr size_t kStackLeft = 160 * 1024;

// The walk itself, with no more than kStackLeft of the thread's stack left to it.
void WalkWithStackLeft(WalkJob* job) {
  MEMORY_BASIC_INFORMATION region;
  ::VirtualQuery(&region, &region, sizeof region);
  const char* base = static_cast<const char*>(region.AllocationBase);
  const char* here = reinterpret_cast<const char*>(&region);
  const size_t free = static_cast<size_t>(here - base);
  if (free > kStackLeft + 16 * 1024) {
    // Probed page by page as it is taken, as any large frame is.
    volatile char* taken = static_cast<volatile char*>(_alloca(free - kStackLeft));
    taken[0] = 0;
  }
  if (job->sweep) {
    FileTreeDeleter walker;
    walker.SetRoot(job->root);
    job->out->result = walker.SweepFolder(job->root);
  } else {
    job->out->result = FileTreeScanner().ScanFolder(job->root);
  }
  job->out->done = true;
}

unsigned __stdcall WalkOnThread(void* param) {
  WalkWithStackLeft(static_cast<WalkJob*>(param));
  return 0;
}

// Runs the walk on a thread with 160 KiB of stack left (Wine gives no thread
// less than 1 MiB): a walk that took a stack frame per level would overflow
// it before 300 levels.
Walked WalkWithSmallStack(const std::wstring& root, bool sweep) {
  Walked walked;
  WalkJob job{root, sweep, &walked};
  win::UniqueThread thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, WalkOnThread, &job, 0, nullptr)));
  EXPECT_TRUE(thread.Valid());
  if (thread) ::WaitForSingleObject(thread.Get(), 120000);
  return walked;
}

}  // namespace

TEST(WalkDepth, ThreeHundredLevelsOnASmallStackAreScannedAndSwept) {
  TestFolder f(L"walk-depth");
  const std::wstring deepest = MakeChain(f.Path(), 300);
  ASSERT_GT(deepest.size(), 600u);
  ASSERT_NO_FATAL_FAILURE(WriteLong(deepest + L"\\bottom.bin", 3));
  ASSERT_NO_FATAL_FAILURE(WriteLong(f.Path() + L"\\a\\a\\top.bin", 4));
  Walked scanned = WalkWithSmallStack(f.Path(), false);
  ASSERT_TRUE(scanned.done) << "the scan walk did not end on its own";
  EXPECT_EQ(scanned.result.files, 2);
  EXPECT_EQ(scanned.result.bytes, 7u);
  Walked swept = WalkWithSmallStack(f.Path(), true);
  ASSERT_TRUE(swept.done) << "the sweep walk did not end on its own";
  EXPECT_EQ(swept.result.files, 2);
  EXPECT_TRUE(swept.result.failedPaths.empty());
  EXPECT_FALSE(Exists(f / L"a"));  // every level removed, deepest first
  EXPECT_TRUE(Exists(f.Path()));
}

TEST(LongPaths, SingleFilesPastMaxPathAreMeasuredAndDeleted) {
  TestFolder f(L"long-single");
  const std::wstring folder = MakeChain(f.Path(), 150);
  const std::wstring file = folder + L"\\history.dat";
  ASSERT_GT(file.size(), 300u);
  ASSERT_NO_FATAL_FAILURE(WriteLong(file, 123));
  Measured m = MeasureOneFile(file);
  EXPECT_EQ(m.items, 1u);
  EXPECT_EQ(m.bytes, 123u);
  FileDeletion d = DeleteSingleFile(file, false);
  EXPECT_EQ(d.outcome, DeleteOutcome::Deleted);
  EXPECT_EQ(d.bytes, 123u);
  EXPECT_FALSE(Exists(Long(file)));
}

// What the scan counts of a single file, the sweep deletes or reports: a file
// link is counted and then skipped, a file held without sharing counted and
// then listed as failed.
TEST(SingleFiles, TheScanCountsWhatTheSweepDeletesOrReports) {
  const std::wstring link = L"C:\\links\\scan\\root\\filelink.txt";  // never swept
  ASSERT_TRUE(Exists(link)) << "link fixtures missing: run through ctest";
  EXPECT_EQ(MeasureOneFile(link).items, 1u);
  EXPECT_EQ(DeleteSingleFile(link, false).outcome, DeleteOutcome::Elsewhere);
  EXPECT_EQ(ReadAll(L"C:\\links\\scan\\outside\\canary.txt"), "canary file, 24 bytes..\n");
  TestFolder f(L"single-held");
  WriteFile(f / L"held.dat", 40);
  {
    win::UniqueFile hold(::CreateFileW((f / L"held.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.Valid());
    EXPECT_EQ(MeasureOneFile(f / L"held.dat").bytes, 40u);
    EXPECT_EQ(DeleteSingleFile(f / L"held.dat", false).outcome, DeleteOutcome::Failed);
  }
  EXPECT_EQ(DeleteSingleFile(f / L"held.dat", false).outcome, DeleteOutcome::Deleted);
}

TEST(TaskRoots, ARootInsideAnyOtherIsWalkedAsPartOfTheOuterOne) {
  TestFolder f(L"roots-nested");
  MakeFolders(f / L"outer\\inner\\deeper");
  MakeFolders(f / L"other");
  const std::wstring outer = f / L"outer", inner = f / L"outer\\inner";
  // Earlier or later, inside or equal: the outer root stays, once.
  EXPECT_EQ(Outermost({inner + L"\\", outer}), std::vector<std::wstring>{outer});
  EXPECT_EQ(Outermost({outer, inner, outer + L"\\"}), std::vector<std::wstring>{outer});
  EXPECT_EQ(Outermost({inner, f / L"other", outer}), (std::vector<std::wstring>{f / L"other", outer}));
  // A root that is not a walkable path is nobody's outer root, nor walked.
  EXPECT_EQ(Outermost({L"", inner}), (std::vector<std::wstring>{inner}));
}

TEST(TaskRoots, ASweepNeverRemovesAFolderThatIsARootOfItsTask) {
  TestFolder f(L"roots-kept");
  WriteFile(f / L"outer\\inner\\a.tmp", 5);
  WriteFile(f / L"outer\\gone\\b.tmp", 6);
  const std::wstring outer = f / L"outer", inner = f / L"outer\\inner";
  FileTreeDeleter walker;
  walker.SetKeptFolders(std::vector<std::wstring>{inner + L"\\", outer});
  walker.SetRoot(outer);
  WalkResult r = walker.SweepFolder(outer);
  EXPECT_EQ(r.files, 2);
  EXPECT_TRUE(Exists(inner));
  EXPECT_FALSE(Exists(inner + L"\\a.tmp"));
  EXPECT_FALSE(Exists(f / L"outer\\gone"));
}

TEST(RealLocations, OnlyDrivesAndSharesAreWalkable) {
  EXPECT_TRUE(IsOnDriveOrShare(L"\\\\?\\C:\\users"));
  EXPECT_TRUE(IsOnDriveOrShare(L"\\\\?\\UNC\\server\\share\\x"));
  EXPECT_FALSE(IsOnDriveOrShare(L"\\\\?\\unix\\home\\user"));
  EXPECT_FALSE(IsOnDriveOrShare(L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x"));
  EXPECT_FALSE(IsOnDriveOrShare(L"\\\\?\\Volume{0b1c2d3e-0000-0000-0000-100000000000}\\x"));
  EXPECT_FALSE(IsOnDriveOrShare(L"\\\\.\\C:\\x"));
  EXPECT_FALSE(IsOnDriveOrShare(L"\\\\?\\UNC\\server"));
  EXPECT_FALSE(IsOnDriveOrShare(L"C:\\users"));
  // Roots written in those forms are refused before anything is opened.
  TestFolder f(L"real-forms");
  WriteFile(f / L"x.tmp", 9);
  for (const std::wstring& root : {L"\\\\?\\" + f.Path(), L"\\\\.\\" + f.Path(), L"\\\\?\\GLOBALROOT\\??\\" + f.Path()}) {
    EXPECT_EQ(FileTreeScanner().ScanFolder(root).files, 0) << Narrow(root);
    FileTreeDeleter walker;
    walker.SetRoot(root);
    EXPECT_EQ(walker.SweepFolder(root).files, 0) << Narrow(root);
  }
  EXPECT_TRUE(Exists(f / L"x.tmp"));
  // A device name as a root is the device, not a file: refused.
  EXPECT_EQ(MeasureOneFile(f / L"nul").items, 0u);
  EXPECT_EQ(DeleteSingleFile(f / L"nul", false).outcome, DeleteOutcome::Missing);
}

TEST(LongForms, OrdinaryPathsComeBackAsTheyWere) {
  EXPECT_EQ(LongForm(L"C:\\a/b\\\\c"), L"\\\\?\\C:\\a\\b\\c");
  EXPECT_EQ(LongForm(L"\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
  EXPECT_EQ(OrdinaryForm(L"\\\\?\\UNC\\server\\share\\x"), L"\\\\server\\share\\x");
  EXPECT_EQ(OrdinaryForm(L"\\\\?\\C:\\junk."), L"C:\\junk.");
  EXPECT_TRUE(IsWalkableName(L"junk."));
  EXPECT_TRUE(IsWalkableName(L"..."));
  EXPECT_FALSE(IsWalkableName(L".."));
  EXPECT_FALSE(IsWalkableName(L"..\\victim"));
  EXPECT_FALSE(IsWalkableName(L"a/b"));
  EXPECT_FALSE(IsWalkableName(L"file:stream"));
}

namespace {

// Starts every worker but IeTemp's, whose thread ends at once without a result.
unsigned __stdcall DieWithoutReporting(void* task) {
  delete static_cast<ScanTask*>(task);
  ::ExitThread(3);
}
HANDLE StartOrDie(ThreadEntry entry, void* argument) {
  if (entry == ScanWorker && static_cast<ScanTask*>(argument)->item == JunkCategory::IeTemp) {
    return StartThread(DieWithoutReporting, argument);
  }
  return StartThread(entry, argument);
}

}  // namespace

TEST(WorkerReports, AWorkerThatDiesMakesTheRunFailNamingItsCategory) {
  cli::RunOptions options;
  options.selection = {JunkCategory::Prefetch, JunkCategory::IeTemp, JunkCategory::RunHistory};
  std::vector<JunkCategory> unreported;
  EXPECT_EQ(cli::RunCommand(options, StartOrDie, &unreported), cli::kExitFailed);
  EXPECT_EQ(unreported, std::vector<JunkCategory>{JunkCategory::IeTemp});
  // The same run with every worker intact is clean.
  EXPECT_EQ(cli::RunCommand(options, StartThread, &unreported), cli::kExitDone);
  EXPECT_TRUE(unreported.empty());
}

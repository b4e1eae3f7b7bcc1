#include <gtest/gtest.h>

#include "engine/core/Run.h"
#include "engine/scan/FileTreeScanner.h"
#include "tests/support/Fixtures.h"
#include "tests/support/RecordingView.h"
#include "win/Handles.h"

using namespace purlo;
using namespace testing_support;

namespace {

struct StopReset : ::testing::Test {
  void SetUp() override { TestRun().StopRequested = 0; }
  void TearDown() override { TestRun().StopRequested = 0; }
};

using ScanWalk = StopReset;

}  // namespace

TEST_F(ScanWalk, CountsEveryFileAtAnyDepthWithItsSize) {
  TestFolder f(L"walk-nested");
  WriteFile(f / L"a.txt", 100);
  WriteFile(f / L"one\\b.bin", 200);
  WriteFile(f / L"one\\two\\three\\c", 300);
  WriteFile(f / L"one\\two\\empty.dat", 0);
  MakeFolders(f / L"empty\\deeper");
  RecordingView view;
  FileTreeScanner walker(&view);
  WalkResult r = walker.ScanFolder(f.Path());
  EXPECT_EQ(r.files, 4);
  EXPECT_EQ(r.bytes, 600u);
  EXPECT_TRUE(r.failedPaths.empty());
  EXPECT_EQ(view.ScanningPaths().size(), 4u);
  // Nothing on disk changed.
  EXPECT_EQ(FileSize(f / L"one\\two\\three\\c"), 300u);
}

TEST_F(ScanWalk, HiddenSystemAndReadOnlyFilesCount) {
  TestFolder f(L"walk-attributes");
  WriteFile(f / L"h", 10);
  WriteFile(f / L"s", 20);
  WriteFile(f / L"r", 30);
  ::SetFileAttributesW((f / L"h").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ::SetFileAttributesW((f / L"s").c_str(), FILE_ATTRIBUTE_SYSTEM);
  ::SetFileAttributesW((f / L"r").c_str(), FILE_ATTRIBUTE_READONLY);
  FileTreeScanner walker;
  WalkResult r = walker.ScanFolder(f.Path());
  EXPECT_EQ(r.files, 3);
  EXPECT_EQ(r.bytes, 60u);
  ::SetFileAttributesW((f / L"r").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The scan counts what the sweep will delete or report failed: a file held
// open without sharing is the sweep's failure, so the scan counts it.
TEST_F(ScanWalk, FileHeldOpenWithoutSharingIsCounted) {
  TestFolder f(L"walk-locked");
  WriteFile(f / L"locked", 500);
  WriteFile(f / L"free", 50);
  win::UniqueFile hold(::CreateFileW((f / L"locked").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hold.Valid());
  RecordingView view;
  FileTreeScanner walker(&view);
  WalkResult r = walker.ScanFolder(f.Path());
  EXPECT_EQ(r.files, 2);
  EXPECT_EQ(r.bytes, 550u);
  EXPECT_EQ(view.ScanningPaths().size(), 2u);
}

TEST_F(ScanWalk, TrailingBackslashMissingRootAndEmptyFolder) {
  TestFolder f(L"walk-roots");
  WriteFile(f / L"x\\a", 7);
  MakeFolders(f / L"empty");
  FileTreeScanner walker;
  WalkResult with = walker.ScanFolder(f.Path() + L"\\");
  walker.Reset();
  WalkResult without = walker.ScanFolder(f.Path());
  EXPECT_EQ(with.files, 1);
  EXPECT_EQ(with.bytes, without.bytes);
  EXPECT_EQ(with.files, without.files);
  walker.Reset();
  EXPECT_EQ(walker.ScanFolder(f / L"missing").files, 0);
  EXPECT_EQ(walker.ScanFolder(f / L"empty").files, 0);
  EXPECT_FALSE(Exists(f / L"missing"));
}

TEST_F(ScanWalk, CountersAddUpUntilReset) {
  TestFolder f(L"walk-reset");
  WriteFile(f / L"a\\1", 5);
  WriteFile(f / L"b\\1", 6);
  FileTreeScanner walker;
  walker.ScanFolder(f / L"a");
  WalkResult both = walker.ScanFolder(f / L"b");
  EXPECT_EQ(both.files, 2);
  EXPECT_EQ(both.bytes, 11u);
  walker.Reset();
  EXPECT_EQ(walker.ScanFolder(f / L"b").bytes, 6u);
}

TEST_F(ScanWalk, RefusesEmptyRelativeAndDriveRootPaths) {
  FileTreeScanner walker;
  for (const wchar_t* path : {L"", L"\\", L"C:", L"C:\\", L"purlo-tests", L"\\purlo-tests", L"C:purlo-tests"}) {
    RecordingView view;
    FileTreeScanner refusing(&view);
    WalkResult r = refusing.ScanFolder(path);
    EXPECT_EQ(r.files, 0) << "path: " << std::string(path, path + wcslen(path));
    EXPECT_TRUE(view.ScanningPaths().empty());
  }
}

TEST_F(ScanWalk, FullSizeOfAFileLargerThan4GiB) {
  TestFolder f(L"walk-big");
  const uint64_t fiveGiB = 5ull << 30;
  WriteSparseFile(f / L"big.iso", fiveGiB);
  ASSERT_EQ(FileSize(f / L"big.iso"), fiveGiB);
  FileTreeScanner walker;
  WalkResult r = walker.ScanFolder(f.Path());
  EXPECT_EQ(r.files, 1);
  EXPECT_EQ(r.bytes, fiveGiB);
}

// Links laid from the Linux side: C:\links\scan\root holds a file link and two
// directory links to canaries outside it.
TEST_F(ScanWalk, LinksAreNeitherFollowedNorCounted) {
  const std::wstring root = L"C:\\links\\scan\\root";
  ASSERT_TRUE(Exists(root + L"\\junk.txt")) << "link fixtures missing: run through ctest";
  DWORD dirLink = ::GetFileAttributesW((root + L"\\dirlink").c_str());
  ASSERT_NE(dirLink, INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(dirLink & FILE_ATTRIBUTE_REPARSE_POINT);
  RecordingView view;
  FileTreeScanner walker(&view);
  WalkResult r = walker.ScanFolder(root);
  for (const std::wstring& path : view.ScanningPaths()) {
    EXPECT_EQ(path.find(L"dirlink"), std::wstring::npos);
    EXPECT_EQ(path.find(L"abslink"), std::wstring::npos);
  }
  // junk.txt and sub\junk2.txt; Wine lists a file link as a plain file, which
  // a scan counts like any file it can open (its target's size): filelink.txt
  // and insidelink.txt.
  EXPECT_EQ(r.files, 4);
  EXPECT_EQ(r.bytes, 10u + 14u + 24u + 10u);
}

TEST_F(ScanWalk, StopRequestedEndsEveryLevelAfterOneMoreFile) {
  TestFolder f(L"walk-stop");
  for (int i = 0; i < 5; ++i) {
    WriteFile(f / (L"a\\b\\c\\deep" + std::to_wstring(i)), 1);
    WriteFile(f / (L"a\\b\\mid" + std::to_wstring(i)), 1);
    WriteFile(f / (L"top" + std::to_wstring(i)), 1);
  }
  // The view raises the flag as soon as the first file is counted.
  struct StopAtFirst : RecordingView {
    void ShowScanningPath(const std::wstring& path) override {
      RecordingView::ShowScanningPath(path);
      TestRun().StopRequested = 1;
    }
  } view;
  FileTreeScanner walker(&view);
  walker.Walker().SetRun(&TestRun());
  WalkResult r = walker.ScanFolder(f.Path());
  EXPECT_EQ(r.files, 1);
  // A later walk with the flag still up stops after its first file too.
  walker.Reset();
  EXPECT_EQ(walker.ScanFolder(f.Path()).files, 1);
}

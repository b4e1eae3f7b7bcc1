#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "engine/core/CheckedOpen.h"
#include "engine/core/Paths.h"
#include "engine/sweep/DeleteGuard.h"
#include "engine/sweep/FileTreeDeleter.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "win/Handles.h"

using namespace purlo;
using namespace testing_support;

namespace {

WalkResult Sweep(const std::wstring& root) {
  FileTreeDeleter walker;
  walker.SetRoot(root);
  return walker.SweepFolder(root);
}

bool IsEmptyFolder(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW((path + L"\\*").c_str(), &entry));
  if (!listing) return false;
  do {
    if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) return false;
  } while (::FindNextFileW(listing.Get(), &entry));
  return true;
}

}  // namespace

TEST(SweepWalk, EmptiesTheTreeAndKeepsTheRoot) {
  TestFolder f(L"sweep-basic");
  WriteFile(f / L"a", 100);
  WriteFile(f / L"b", 200);
  WriteFile(f / L"c", 300);
  MakeFolders(f / L"empty");
  WalkResult r = Sweep(f.Path());
  EXPECT_EQ(r.files, 3);
  EXPECT_EQ(r.bytes, 600u);
  EXPECT_TRUE(r.failedPaths.empty());
  EXPECT_TRUE(Exists(f.Path()));
  EXPECT_TRUE(IsEmptyFolder(f.Path()));
}

TEST(SweepWalk, NestedFoldersGoDeepestFirst) {
  TestFolder f(L"sweep-nested");
  WriteFile(f / L"one\\two\\three\\deep", 5);
  WriteFile(f / L"one\\mid", 7);
  MakeFolders(f / L"one\\two\\empty\\emptier");
  WalkResult r = Sweep(f.Path() + L"\\");
  EXPECT_EQ(r.files, 2);
  EXPECT_EQ(r.bytes, 12u);
  EXPECT_TRUE(IsEmptyFolder(f.Path()));
}

TEST(SweepWalk, ReadOnlyHiddenAndSystemFilesAreRemoved) {
  TestFolder f(L"sweep-attributes");
  WriteFile(f / L"r", 1);
  WriteFile(f / L"h", 2);
  WriteFile(f / L"s", 3);
  WriteFile(f / L"sub\\all", 4);
  ::SetFileAttributesW((f / L"r").c_str(), FILE_ATTRIBUTE_READONLY);
  ::SetFileAttributesW((f / L"h").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ::SetFileAttributesW((f / L"s").c_str(), FILE_ATTRIBUTE_SYSTEM);
  ::SetFileAttributesW((f / L"sub\\all").c_str(),
                       FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  WalkResult r = Sweep(f.Path());
  EXPECT_EQ(r.files, 4);
  EXPECT_EQ(r.bytes, 10u);
  EXPECT_TRUE(IsEmptyFolder(f.Path()));
}

TEST(SweepWalk, FileHeldOpenWithoutDeleteSharingStaysAndIsListed) {
  TestFolder f(L"sweep-locked");
  WriteFile(f / L"free", 50);
  WriteFile(f / L"busy\\locked.log", 500);
  WriteFile(f / L"busy\\other", 5);
  win::UniqueFile hold(::CreateFileW((f / L"busy\\locked.log").c_str(), GENERIC_READ,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hold.Valid());
  WalkResult r = Sweep(f.Path());
  EXPECT_EQ(r.files, 2);
  EXPECT_EQ(r.bytes, 55u);
  EXPECT_EQ(r.failedPaths, std::vector<std::wstring>{f / L"busy\\locked.log"});
  EXPECT_TRUE(Exists(f / L"busy\\locked.log"));
  EXPECT_TRUE(Exists(f / L"busy"));
  EXPECT_FALSE(Exists(f / L"busy\\other"));
}

TEST(SweepWalk, TrailingBackslashMissingRootAndCountersUntilReset) {
  TestFolder f(L"sweep-roots");
  WriteFile(f / L"x\\a", 1);
  WriteFile(f / L"y\\b", 2);
  FileTreeDeleter walker;
  walker.SetRoot(f / L"x\\");
  walker.SweepFolder(f / L"x");
  EXPECT_TRUE(Exists(f / L"x"));
  walker.SetRoot(f / L"y");
  WalkResult both = walker.SweepFolder(f / L"y\\");
  EXPECT_EQ(both.files, 2);  // counters run on until Reset
  EXPECT_TRUE(Exists(f / L"y"));
  walker.Reset();
  walker.SetRoot(f / L"missing");
  WalkResult none = walker.SweepFolder(f / L"missing");
  EXPECT_EQ(none.files, 0);
  EXPECT_TRUE(none.failedPaths.empty());
  EXPECT_FALSE(Exists(f / L"missing"));
}

TEST(SweepWalk, AFolderThatIsNotTheRootIsRemovedWhenEmptied) {
  TestFolder f(L"sweep-notroot");
  WriteFile(f / L"gone\\a", 1);
  FileTreeDeleter walker;  // no root set
  WalkResult r = walker.SweepFolder(f / L"gone");
  EXPECT_EQ(r.files, 1);
  EXPECT_FALSE(Exists(f / L"gone"));
}

TEST(SweepWalk, FullSizeOfADeletedFileLargerThan4GiB) {
  TestFolder f(L"sweep-big");
  WriteSparseFile(f / L"big.iso", 5ull << 30);
  WalkResult r = Sweep(f.Path());
  EXPECT_EQ(r.files, 1);
  EXPECT_EQ(r.bytes, 5ull << 30);
  EXPECT_FALSE(Exists(f / L"big.iso"));
}

TEST(SweepWalk, RefusedRootsTouchNothing) {
  TestFolder f(L"sweep-refused");
  WriteFile(f / L"keep", 3);
  // The current folder is a place with files in it: a relative root must not reach it.
  ASSERT_TRUE(::SetCurrentDirectoryW(f.Path().c_str()));
  for (const wchar_t* root : {L"", L".", L"keep", L"\\", L"C:", L"C:\\", L"C:.", L"\\purlo-tests", L"C:\\purlo-tests\\..",
                              L"C:\\purlo-tests\\sweep-refused\\..\\.."}) {
    WalkResult r = Sweep(root);
    EXPECT_EQ(r.files, 0);
    EXPECT_TRUE(r.failedPaths.empty());
  }
  ::SetCurrentDirectoryW(L"C:\\");
  EXPECT_TRUE(Exists(f / L"keep"));
  EXPECT_TRUE(Exists(L"C:\\windows\\system32"));
  EXPECT_EQ(DeleteSingleFile(L"keep", false).outcome, DeleteOutcome::Missing);
  EXPECT_EQ(DeleteSingleFile(L"C:\\", false).outcome, DeleteOutcome::Missing);
  EXPECT_EQ(DeleteSingleFile(L"", false).outcome, DeleteOutcome::Missing);
  EXPECT_TRUE(Exists(f / L"keep"));
}

// C:\links\sweep\root holds: junk.txt, sub\junk2.txt, a file link and a
// directory link to canaries outside the root, an absolute directory link and a
// link to an empty folder below sub, and a file link to junk.txt itself.
TEST(SweepWalk, LinksAreNeverFollowedAndTheirTargetsSurvive) {
  const std::wstring c = L"C:\\links\\sweep";
  ASSERT_TRUE(Exists(c + L"\\root\\junk.txt")) << "link fixtures missing: run through ctest";
  ASSERT_TRUE(Exists(c + L"\\outside\\canary.txt"));
  WalkResult r = Sweep(c + L"\\root");
  EXPECT_EQ(r.files, 2);  // junk.txt and sub\junk2.txt only
  EXPECT_EQ(r.bytes, 24u);
  EXPECT_TRUE(r.failedPaths.empty());
  EXPECT_EQ(ReadAll(c + L"\\outside\\canary.txt"), "canary file, 24 bytes..\n");
  EXPECT_EQ(ReadAll(c + L"\\outside\\canarydir\\inner.txt"), "canary in a folder, 31 bytes..\n");
  EXPECT_TRUE(Exists(c + L"\\outside\\emptydir"));
  EXPECT_FALSE(Exists(c + L"\\root\\junk.txt"));
  EXPECT_FALSE(Exists(c + L"\\root\\sub\\junk2.txt"));
  // The links themselves stay (nothing on the Windows side can remove a link
  // without touching its target), and so do the folders that hold them.
  EXPECT_TRUE(Exists(c + L"\\root\\dirlink"));
  EXPECT_TRUE(Exists(c + L"\\root\\sub"));
}

TEST(SweepWalk, SingleFileThatIsALinkIsLeftAlone) {
  const std::wstring c = L"C:\\links\\scan";  // never swept: its junk.txt stays
  ASSERT_TRUE(Exists(c + L"\\outside\\canary.txt")) << "link fixtures missing: run through ctest";
  EXPECT_EQ(DeleteSingleFile(c + L"\\root\\filelink.txt", false).outcome, DeleteOutcome::Elsewhere);
  EXPECT_EQ(DeleteSingleFile(c + L"\\root\\insidelink.txt", false).outcome, DeleteOutcome::Elsewhere);
  // A folder link is no file at all.
  EXPECT_EQ(DeleteSingleFile(c + L"\\root\\dirlink", false).outcome, DeleteOutcome::Missing);
  EXPECT_TRUE(Exists(c + L"\\outside\\canary.txt"));
  EXPECT_TRUE(Exists(c + L"\\root\\junk.txt"));
  EXPECT_TRUE(Exists(c + L"\\outside\\canarydir\\inner.txt"));
}

TEST(SweepWalk, SingleFileByItsShortNameIsDeleted) {
  TestFolder f(L"sweep-short");
  WriteFile(f / L"A Long Folder Name\\history file.dat", 77);
  wchar_t shortPath[MAX_PATH];
  ASSERT_GT(::GetShortPathNameW((f / L"A Long Folder Name\\history file.dat").c_str(), shortPath, MAX_PATH), 0u);
  FileDeletion d = DeleteSingleFile(shortPath, false);
  EXPECT_EQ(d.outcome, DeleteOutcome::Deleted);
  EXPECT_EQ(d.bytes, 77u);
  EXPECT_FALSE(Exists(f / L"A Long Folder Name\\history file.dat"));
}

// What the handle walk relies on, probed on the system it runs on (see
// engine/core/HandleWalk.md): listing through a folder's handle, opening
// relative to it, and checks made on the opened handle that refuse what a
// link leads to, whether or not the open followed the link (Wine follows a
// Unix link even when asked not to).
TEST(SweepWalk, ChecksOnTheOpenedHandleRefuseWhatALinkLeadsTo) {
  const std::wstring c = L"C:\\links\\scan";  // never swept
  ASSERT_TRUE(Exists(c + L"\\outside\\canary.txt")) << "link fixtures missing: run through ctest";
  OpenedRoot root = OpenRoot(c + L"\\root", ProtectedFolders::None(), false);
  ASSERT_EQ(root.check, RootCheck::Ready);
  std::map<std::wstring, ListedEntry> listed;
  FolderListing listing(root.handle.Get());
  ListedEntry entry;
  while (listing.Next(entry)) listed[std::wstring(entry.name, entry.nameLength)] = entry;
  ASSERT_EQ(listed.count(L"dirlink"), 1u);
  ASSERT_EQ(listed.count(L"filelink.txt"), 1u);
  ASSERT_EQ(listed.count(L"sub"), 1u);
  ASSERT_EQ(listed.count(L"junk.txt"), 1u);
  // The listing's buffer is reused: the names live on in the map's keys.
  for (auto& kv : listed) kv.second.name = kv.first.c_str();

  DWORD error = 0;
  win::UniqueFile dir = OpenRelative(root.handle.Get(), L"dirlink", 7, OpenFor::Listing, error);
  HandleFacts dirFacts;
  std::wstring dirReal;
  if (dir) {
    FactsOf(dir.Get(), dirFacts, true);
    RealPathOf(dir.Get(), dirReal);
  }
  win::UniqueFile file = OpenRelative(root.handle.Get(), L"filelink.txt", 12, OpenFor::Measuring, error);
  HandleFacts fileFacts;
  std::wstring fileReal;
  if (file) {
    FactsOf(file.Get(), fileFacts, false);
    RealPathOf(file.Get(), fileReal);
  }
  std::printf("[ probe    ] folder link: listed 0x%lx, opened %s, handle 0x%lx at %s\n",
              static_cast<unsigned long>(listed[L"dirlink"].attributes),
              !dir ? "no" : (dirFacts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? "as the link" : "FOLLOWED",
              static_cast<unsigned long>(dirFacts.attributes), Narrow(dirReal).c_str());
  std::printf("[ probe    ] file link: listed 0x%lx, opened %s, handle 0x%lx at %s\n",
              static_cast<unsigned long>(listed[L"filelink.txt"].attributes),
              !file ? "no" : (fileFacts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? "as the link" : "FOLLOWED",
              static_cast<unsigned long>(fileFacts.attributes), Narrow(fileReal).c_str());

  // Whatever the open did, the checks on the handle refuse both links.
  FileIdentity identity;
  EXPECT_FALSE(OpenCheckedFolder(root.handle.Get(), root.identity, listed[L"dirlink"], root.real + L"\\dirlink",
                                 ProtectedFolders::None(), OpenFor::Listing, identity));
  if (file) {
    EXPECT_TRUE((fileFacts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
                !IsReallyAt(file.Get(), root.real + L"\\filelink.txt"));
  }
  // A folder listed as a plain folder but opened where a link now stands is
  // refused by identity too (the listing's id is the folder it showed).
  ListedEntry swapped = listed[L"sub"];
  swapped.name = L"dirlink";
  swapped.nameLength = 7;
  swapped.attributes = FILE_ATTRIBUTE_DIRECTORY;
  EXPECT_FALSE(OpenCheckedFolder(root.handle.Get(), root.identity, swapped, std::wstring(), ProtectedFolders::None(),
                                 OpenFor::Listing, identity));
  // The plain folder and file pass the same checks.
  EXPECT_TRUE(OpenCheckedFolder(root.handle.Get(), root.identity, listed[L"sub"], root.real + L"\\sub",
                                ProtectedFolders::None(), OpenFor::Listing, identity));
  // Its identity, the parent's volume with its own index, is the one the
  // volume itself gives.
  FileIdentity asked;
  ASSERT_TRUE(IdentityAt(root.path + L"\\sub", asked));
  EXPECT_TRUE(identity == asked) << identity.volume << " " << asked.volume;
  win::UniqueFile junk = OpenRelative(root.handle.Get(), L"junk.txt", 8, OpenFor::Measuring, error);
  ASSERT_TRUE(junk.Valid());
  EXPECT_TRUE(IsReallyAt(junk.Get(), root.real + L"\\junk.txt"));

  // Deletion through a handle, a read-only file included.
  TestFolder f(L"sweep-probe");
  WriteFile(f / L"ro.txt", 5);
  ::SetFileAttributesW((f / L"ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(DeleteSingleFile(f / L"ro.txt", true).outcome, DeleteOutcome::Deleted);
  EXPECT_FALSE(Exists(f / L"ro.txt"));
  std::printf("[ probe    ] read-only deleted in place (extended disposition): %s\n",
              DeletesReadOnlyInPlace() ? "yes" : "no, attribute cleared first");
}

// A read-only file in the tree that is a hard link of a file outside: that
// name goes and counts, the other keeps its read-only attribute.
TEST(SweepWalk, AHardLinkGoesAndItsOtherNameStaysReadOnly) {
  TestFolder f(L"sweep-hardlink");
  WriteFile(f / L"outside\\keep.dat", 9);
  MakeFolders(f / L"root");
  ASSERT_TRUE(::CreateHardLinkW((f / L"root\\link.dat").c_str(), (f / L"outside\\keep.dat").c_str(), nullptr));
  ASSERT_TRUE(::SetFileAttributesW((f / L"outside\\keep.dat").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_NE(::GetFileAttributesW((f / L"root\\link.dat").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  WalkResult r = Sweep(f / L"root");
  EXPECT_EQ(r.files, 1);
  EXPECT_EQ(r.bytes, 9u);
  EXPECT_TRUE(r.failedPaths.empty());
  EXPECT_FALSE(Exists(f / L"root\\link.dat"));
  EXPECT_EQ(FileSize(f / L"outside\\keep.dat"), 9u);
  EXPECT_NE(::GetFileAttributesW((f / L"outside\\keep.dat").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  ::SetFileAttributesW((f / L"outside\\keep.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
}

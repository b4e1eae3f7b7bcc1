#include <gtest/gtest.h>

#include "engine/core/Paths.h"
#include "engine/core/RootJudge.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"

using namespace purlo;
using testing_support::Outermost;
using testing_support::TestFolder;

TEST(Paths, OnlyPathsBelowADriveOrShareRootAreWalkable) {
  EXPECT_TRUE(IsBelowDriveRoot(L"C:\\Temp"));
  EXPECT_TRUE(IsBelowDriveRoot(L"C:\\Temp\\"));
  EXPECT_TRUE(IsBelowDriveRoot(L"\\\\server\\share\\junk"));
  EXPECT_FALSE(IsBelowDriveRoot(L""));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:"));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:\\"));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:\\\\"));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:Temp"));
  EXPECT_FALSE(IsBelowDriveRoot(L"\\data"));
  EXPECT_FALSE(IsBelowDriveRoot(L"Temp\\x"));
  EXPECT_FALSE(IsBelowDriveRoot(L"\\\\server\\share"));
  EXPECT_FALSE(IsBelowDriveRoot(L"\\\\server\\share\\"));
  EXPECT_FALSE(IsBelowDriveRoot(L"\\\\?\\C:\\Temp"));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:\\Windows\\.."));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:\\Windows\\..\\"));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:\\."));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:\\Windows\\. .\\Temp"));
  EXPECT_FALSE(IsBelowDriveRoot(L"C:/Windows/../Temp"));
  EXPECT_TRUE(IsBelowDriveRoot(L"C:\\Windows\\.hidden"));
  EXPECT_TRUE(IsBelowDriveRoot(L"C:\\a..b"));
  // Going up stops at the drive or share root, in either form.
  const std::pair<const wchar_t*, const wchar_t*> parents[] = {
      {L"C:\\a\\b\\", L"C:\\a"},
      {L"C:\\a/b", L"C:\\a"},
      {L"C:\\a", L"C:\\"},
      {L"C:\\", L""},
      {L"\\\\?\\C:\\a", L"\\\\?\\C:\\"},
      {L"\\\\?\\C:\\", L""},
      {L"\\\\server\\share\\a", L"\\\\server\\share"},
      {L"\\\\server\\share", L""},
      {L"\\\\?\\UNC\\server\\share\\a\\b", L"\\\\?\\UNC\\server\\share\\a"},
      {L"\\\\?\\UNC\\server\\share", L""},
      {L"Temp\\x", L""},
      {L"\\\\.\\C:\\a", L""},
  };
  for (const auto& parent : parents) {
    EXPECT_EQ(ParentFolder(parent.first), parent.second) << testing_support::Narrow(parent.first);
  }
}

TEST(Paths, RepeatedAndNestedRootsAreWalkedOnce) {
  TestFolder folder(L"paths-nested");
  for (const wchar_t* name : {L"LongFolderName\\inner", L"LongFolderNameX", L"other"}) {
    testing_support::MakeFolders(folder / name);
  }
  const std::wstring a = folder / L"LongFolderName";
  std::vector<std::wstring> roots = {a + L"\\", folder / L"longfoldername", a + L"\\inner", folder / L"LongFolderNameX",
                                     folder / L"other"};
  EXPECT_EQ(Outermost(roots), (std::vector<std::wstring>{a + L"\\", folder / L"LongFolderNameX",
                                                                    folder / L"other"}));
  // A short (8.3) spelling of the same folder is the same folder.
  wchar_t shortName[MAX_PATH];
  DWORD n = ::GetShortPathNameW(a.c_str(), shortName, MAX_PATH);
  ASSERT_GT(n, 0u);
  ASSERT_NE(std::wstring(shortName), a);
  EXPECT_EQ(Outermost({a, shortName}), std::vector<std::wstring>{a});
}

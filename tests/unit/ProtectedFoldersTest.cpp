// Roots that are one of the system's own folders, or lie above one, under
// whatever spelling reaches them: refused; roots inside them: kept.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <userenv.h>

#include <algorithm>

#include "engine/core/ProtectedFolders.h"
#include "engine/core/RootRules.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"

using namespace purlo;
using namespace testing_support;

namespace {

std::wstring ShortName(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  DWORD n = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : std::wstring();
}

std::wstring Slashed(std::wstring path) {
  std::replace(path.begin(), path.end(), L'\\', L'/');
  return path;
}

std::wstring Lower(std::wstring path) {
  ::CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
  return path;
}

// Made from the Linux side by the sandbox preparation: system (a folder),
// viasystem -> system, uplinks -> C:\links.
const std::wstring kLinks = L"C:\\links\\protected";

}  // namespace

TEST(ProtectedFolders, EverySpellingOfTheFolderAndEveryFolderAboveIsRefused) {
  TestFolder f(L"protected");
  const std::wstring system = f / L"System Folder Of Some Length";
  MakeFolders(system + L"\\Temp");
  const std::wstring shortName = ShortName(system);
  ASSERT_FALSE(shortName.empty());
  ASSERT_NE(shortName, system) << "no short name to test with";
  const ProtectedFolders guard({system});

  for (const std::wstring& root :
       {system, system + L"\\", system + L"\\\\", Lower(system), Slashed(system), Slashed(system) + L"/",
        system + L".", system + L". .", f.Path() + L"\\\\System Folder Of Some Length", shortName,
        shortName + L"\\", f.Path(), f.Path() + L"\\", std::wstring(L"C:\\purlo-tests"), std::wstring(L"c:/PURLO-TESTS/")}) {
    EXPECT_TRUE(guard.Refuses(root)) << Narrow(root);
  }
  for (const std::wstring& root : {system + L"\\Temp", shortName + L"\\Temp", system + L"2", f / L"System",
                                   f / L"System Folder", std::wstring(L"C:\\windows\\Temp")}) {
    EXPECT_FALSE(guard.Refuses(root)) << Narrow(root);
  }
  // Named by its short form, the folder is still known by its long one.
  EXPECT_TRUE(ProtectedFolders({shortName}).Refuses(system));
  EXPECT_TRUE(ProtectedFolders({system + L"\\"}).Refuses(Lower(f.Path())));
}

TEST(ProtectedFolders, RealLocationsBehindLinksAreCompared) {
  ASSERT_TRUE(Exists(kLinks + L"\\system")) << "link fixtures missing: run through ctest";
  const ProtectedFolders guard({kLinks + L"\\system"});
  EXPECT_TRUE(guard.Refuses(kLinks + L"\\viasystem"));
  EXPECT_TRUE(guard.Refuses(kLinks + L"\\uplinks\\protected"));  // C:\links\protected, above it
  EXPECT_FALSE(guard.Refuses(kLinks + L"\\viasystem\\inside"));
  // A protected folder that is itself a link (as Documents is under Wine) is
  // known by where it leads too.
  EXPECT_TRUE(ProtectedFolders({kLinks + L"\\viasystem"}).Refuses(kLinks + L"\\system"));
}

TEST(ProtectedFolders, TheMachinesOwnFoldersAreAllKnown) {
  WindowsLookups lookups;
  const ProtectedFolders guard(lookups.SystemFolders());
  std::vector<std::wstring> system;
  for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA,
                    CSIDL_PROFILE, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
    system.push_back(SpecialFolder(csidl));
    ASSERT_FALSE(system.back().empty()) << csidl;
  }
  wchar_t profiles[MAX_PATH];
  DWORD size = MAX_PATH;
  ASSERT_TRUE(::GetProfilesDirectoryW(profiles, &size));
  system.push_back(profiles);
  // The 64-bit Program Files, which a 32-bit program is not told of by the shell.
  const std::wstring programFiles64 = Expand(L"%ProgramW6432%");
  if (programFiles64.find(L'%') == std::wstring::npos) system.push_back(programFiles64);
  system.push_back(L"C:\\users");
  for (const std::wstring& folder : system) {
    EXPECT_TRUE(guard.Refuses(folder)) << Narrow(folder);
    EXPECT_TRUE(guard.Refuses(folder + L"\\")) << Narrow(folder);
  }
  for (const std::wstring& junk : {TempPath(), SpecialFolder(CSIDL_WINDOWS) + L"\\Temp",
                                   SpecialFolder(CSIDL_WINDOWS) + L"\\Prefetch", SpecialFolder(CSIDL_INTERNET_CACHE),
                                   SpecialFolder(CSIDL_COOKIES), Expand(L"%USERPROFILE%\\Recent"),
                                   SpecialFolder(CSIDL_APPDATA) + L"\\Tencent\\QQPlayer",
                                   std::wstring(L"C:\\purlo-tests\\anything")}) {
    EXPECT_FALSE(guard.Refuses(junk)) << Narrow(junk);
  }
}

namespace {

// The shell's folders as a machine reports them, plus one system folder of our own.
struct WithSystemFolder : WindowsLookups {
  std::wstring temp, system;
  bool TempPath(std::wstring& out, DWORD&) override {
    out = temp;
    return true;
  }
  std::vector<std::wstring> SystemFolders() override { return {system}; }
};

}  // namespace

TEST(ProtectedFolders, RootRulesMoveRefusedRootsAsideWithTheirReason) {
  TestFolder f(L"protected-rules");
  WithSystemFolder lookups;
  lookups.system = f / L"sys";
  lookups.temp = f.Path() + L"\\";
  MakeFolders(lookups.system);
  const ProtectedFolders guard(lookups.SystemFolders());

  Roots roots = BuildRoots(JunkCategory::SystemTemp, 6, lookups);
  ASSERT_EQ(roots.paths.size(), 2u);
  RefuseProtectedRoots(JunkCategory::SystemTemp, roots, guard);
  EXPECT_EQ(roots.paths, std::vector<std::wstring>{SpecialFolder(CSIDL_WINDOWS) + L"\\Temp"});
  ASSERT_EQ(roots.refused.size(), 1u);
  EXPECT_EQ(roots.refused[0].path, f.Path() + L"\\");
  EXPECT_EQ(roots.refused[0].why, RootRefusal::Protected);

  // Markers are never taken for folders.
  Roots marker = BuildRoots(JunkCategory::RecycleBin, 6, lookups);
  RefuseProtectedRoots(JunkCategory::RecycleBin, marker, ProtectedFolders({L"C:\\"}));
  EXPECT_EQ(marker.paths.size(), 1u);
  EXPECT_TRUE(marker.refused.empty());

  // A drive root is refused by the rules themselves, and says so.
  lookups.temp = L"C:\\";
  Roots driveRoot = BuildRoots(JunkCategory::SystemTemp, 6, lookups);
  ASSERT_EQ(driveRoot.refused.size(), 1u);
  EXPECT_EQ(driveRoot.refused[0].path, L"C:\\");
  EXPECT_EQ(driveRoot.refused[0].why, RootRefusal::AboveProtected);
}

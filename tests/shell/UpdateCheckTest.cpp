// The update check's pieces on real files in the sandbox: the command line,
// the updater beside an installed program (inside Program Files) and nowhere
// else, the product page through the prefix's http handler.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/shell/ShellFixtures.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Gui.h"
#include "ui/UpdateCheck.h"

namespace {

using namespace testing_support;

const std::wstring kPrefix = L"ovupdate.exe Q00000042 v1.4 ";

TEST(UpdaterCommandLine, EndsWithTheProgramFileNameAndFits259Characters) {
  std::wstring line;
  ASSERT_TRUE(purlo::BuildUpdaterCommandLine(L"C:\\Program Files\\Purlo\\Purlo.exe", &line));
  EXPECT_EQ(line, kPrefix + L"Purlo.exe");
  ASSERT_TRUE(purlo::BuildUpdaterCommandLine(L"D:\\清理\\净化 工具.EXE", &line));
  EXPECT_EQ(line, kPrefix + L"净化 工具.EXE");  // no quoting, as named

  const std::wstring longest = std::wstring(227, L'n') + L".exe";  // 231: the line is 259
  ASSERT_TRUE(purlo::BuildUpdaterCommandLine(L"C:\\x\\" + longest, &line));
  EXPECT_EQ(line.size(), 259u);
  EXPECT_EQ(line, kPrefix + longest);
  line = L"untouched";
  EXPECT_FALSE(purlo::BuildUpdaterCommandLine(L"C:\\x\\n" + longest, &line));
  EXPECT_EQ(line, L"untouched");
}

class UpdaterRun : public ::testing::Test {
 protected:
  InstalledFolder root;
};

TEST_F(UpdaterRun, StartsTheUpdaterBesideTheProgramAndReturnsItsExitCode) {
  for (unsigned code : {100u, 101u, 7u}) {
    EmptyFolder(root.Path());
    PlaceUpdater(root / L"app", code);
    DWORD exitCode = 0;
    ASSERT_TRUE(purlo::RunUpdater(root / L"app\\Purlo.exe", &exitCode));
    EXPECT_EQ(exitCode, code);
    const auto runs = UpdaterRuns(root / L"app");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], kPrefix + L"Purlo.exe");
  }
}

TEST_F(UpdaterRun, ProgramFileNameTooLongForTheCommandLineSkipsTheUpdater) {
  PlaceUpdater(root / L"app", 100);
  DWORD exitCode = 12345;
  EXPECT_FALSE(purlo::RunUpdater(root / (L"app\\" + std::wstring(228, L'n') + L".exe"), &exitCode));
  EXPECT_EQ(exitCode, 12345u);
  EXPECT_TRUE(UpdaterRuns(root / L"app").empty());
  // One character less fits, and that run is recorded whole.
  ASSERT_TRUE(purlo::RunUpdater(root / (L"app\\" + std::wstring(227, L'n') + L".exe"), &exitCode));
  const auto runs = UpdaterRuns(root / L"app");
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].size(), 259u);
}

TEST_F(UpdaterRun, DecoysInTheCurrentFolderAndOnPathNeverRun) {
  PlaceUpdater(root / L"cwd", 101);
  PlaceUpdater(root / L"onpath", 101);
  MakeFolders(root / L"app");
  wchar_t oldCwd[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, oldCwd);
  std::wstring oldPath(32767, L'\0');
  oldPath.resize(::GetEnvironmentVariableW(L"PATH", &oldPath[0], 32767));
  ASSERT_TRUE(::SetCurrentDirectoryW((root / L"cwd").c_str()));
  ::SetEnvironmentVariableW(L"PATH", (root / L"onpath;" + oldPath).c_str());

  DWORD exitCode = 0;
  const bool ran = purlo::RunUpdater(root / L"app\\Purlo.exe", &exitCode);

  ::SetCurrentDirectoryW(oldCwd);
  ::SetEnvironmentVariableW(L"PATH", oldPath.c_str());
  EXPECT_FALSE(ran);
  EXPECT_TRUE(UpdaterRuns(root / L"cwd").empty());
  EXPECT_TRUE(UpdaterRuns(root / L"onpath").empty());
  // The same decoys are what a bare "ovupdate.exe" would have found.
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::wstring bare = L"ovupdate.exe";
  ::SetCurrentDirectoryW((root / L"cwd").c_str());
  const bool found = ::CreateProcessW(nullptr, &bare[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
  ::SetCurrentDirectoryW(oldCwd);
  ASSERT_TRUE(found);
  ::WaitForSingleObject(pi.hProcess, 10000);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  EXPECT_EQ(UpdaterRuns(root / L"cwd").size(), 1u);
}

TEST(UpdaterPlace, RunsOnlyInsideProgramFilesWhateverTheSpellingAndNeverThroughALink) {
  TestFolder user{L"shell-portable"};
  InstalledFolder installed;
  PlaceUpdater(user / L"app", 7);
  PlaceUpdater(user / L"Program Files\\Purlo", 7);  // named like the real one
  PlaceUpdater(installed.Path(), 7);
  const std::wstring throughLink = std::wstring(kLinkToProgramFiles) + L"\\Purlo\\Purlo.exe";
  ASSERT_TRUE(Exists(std::wstring(kLinkToProgramFiles) + L"\\Purlo\\ovupdate.exe")) << "prepare_shell lays the link";
  for (const std::wstring& program :
       {user / L"app\\Purlo.exe", user / L"Program Files\\Purlo\\Purlo.exe", throughLink}) {
    SCOPED_TRACE(Narrow(program));
    DWORD exitCode = 12345;
    EXPECT_FALSE(purlo::RunUpdater(program, &exitCode));
    EXPECT_EQ(exitCode, 12345u);
  }
  EXPECT_TRUE(UpdaterRuns(user / L"app").empty());
  EXPECT_TRUE(UpdaterRuns(user / L"Program Files\\Purlo").empty());
  EXPECT_TRUE(UpdaterRuns(installed.Path()).empty());

  // The installed folder in other spellings is the same folder.
  wchar_t shortName[MAX_PATH] = {};
  ASSERT_GT(::GetShortPathNameW(installed.Path().c_str(), shortName, MAX_PATH), 0u);
  ASSERT_NE(std::wstring(shortName), installed.Path());
  for (const std::wstring& program :
       {std::wstring(L"c:\\PROGRAM FILES\\purlo\\Purlo.exe"), std::wstring(shortName) + L"\\Purlo.exe"}) {
    SCOPED_TRACE(Narrow(program));
    DWORD exitCode = 0;
    EXPECT_TRUE(purlo::RunUpdater(program, &exitCode));
    EXPECT_EQ(exitCode, 7u);
  }
  EXPECT_EQ(UpdaterRuns(installed.Path()).size(), 2u);
}

TEST(ProductPage, OpensOnceThroughThePrefixHttpHandler) {
  ASSERT_EQ(HttpOpenCommand(), L"\"C:\\purlo-shell\\bin\\url-recorder.exe\" \"%1\"");
  ClearOpenedAddresses();
  purlo::OpenProductPage();
  std::vector<std::wstring> opened;
  WaitUntil([&] { return !(opened = OpenedAddresses()).empty(); }, 5000, 50);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], L"http:\\\\www.example.com\\Q00000042");
}

}  // namespace

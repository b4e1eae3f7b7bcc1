// A DLL planted beside a program under the name of a system DLL the program
// uses (userenv, not a KnownDLL) is never loaded: the programs import only
// KnownDLLs and load userenv from the system folder.
#include <gtest/gtest.h>

#include <windows.h>

#include "tests/shell/ShellFixtures.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Gui.h"

namespace {

using namespace testing_support;

const std::wstring kPlanted = std::wstring(kShellBin) + L"\\planted.dll";

TEST(PlantedDll, BesideTheConsoleProgramIsNeverLoaded) {
  TestFolder root{L"planted"};
  // The stand-in marks its folder when loaded.
  CopyInto(kPlanted, root / L"probe\\planted.dll");
  HMODULE probe = ::LoadLibraryW((root / L"probe\\planted.dll").c_str());
  ASSERT_NE(probe, nullptr);
  ::FreeLibrary(probe);
  ASSERT_TRUE(Exists(root / L"probe\\planted-dll-loaded"));

  CopyInto(L"C:\\purlo\\purlo-cli.exe", root / L"portable\\purlo-cli.exe");
  CopyInto(kPlanted, root / L"portable\\userenv.dll");
  // The scan asks for the user's profile folder: userenv's first use.
  Process cli = Launch(root / L"portable\\purlo-cli.exe", L"scan SystemTemp --json");
  ASSERT_TRUE(cli.Started());
  ASSERT_TRUE(cli.WaitForExit(60000));
  EXPECT_EQ(cli.ExitCode(), 0u);
  EXPECT_FALSE(Exists(root / L"portable\\planted-dll-loaded"));
}

}  // namespace

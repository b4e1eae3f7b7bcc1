// purlo-cli on a console: Ctrl+C stops a sweep between files.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "win/Handles.h"

using namespace testing_support;

namespace {

const wchar_t kTheWorld[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";
constexpr int kFolders = 30;
constexpr int kFilesPerFolder = 50;

std::wstring FileName(const std::wstring& root, int folder, int file) {
  return root + L"\\d" + std::to_wstring(folder) + L"\\f" + std::to_wstring(file) + L".tmp";
}

int FoldersLeft(const std::wstring& root) {
  int n = 0;
  for (int d = 0; d < kFolders; ++d) n += Exists(root + L"\\d" + std::to_wstring(d)) ? 1 : 0;
  return n;
}

// The event goes to every process of the console's group: this one stays.
BOOL WINAPI IgnoreControl(DWORD) { return TRUE; }

}  // namespace

TEST(ConsoleCli, CtrlCStopsTheSweepBetweenFilesAndReportsWhatWasDone) {
  TestFolder base(L"interrupt");
  const std::wstring root = base / L"data";
  for (int d = 0; d < kFolders; ++d) {
    for (int f = 0; f < kFilesPerFolder; ++f) WriteFile(FileName(root, d, f), 10 + f);
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
  SetString(HKEY_LOCAL_MACHINE, kTheWorld, L"Path", base.Path());

  // A console to share with the child: console control events reach the
  // processes of one console.
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
  ::SetConsoleCtrlHandler(IgnoreControl, TRUE);
  const std::wstring outPath = base / L"out.json";
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  win::UniqueFile out(::CreateFileW(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(out.Valid());
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out.Get();
  si.hStdError = out.Get();
  PROCESS_INFORMATION pi = {};
  std::wstring commandLine = L"C:\\purlo\\purlo-cli.exe sweep --yes --json TheWorldHistory";
  ASSERT_TRUE(::CreateProcessW(L"C:\\purlo\\purlo-cli.exe", &commandLine[0], nullptr, nullptr, TRUE,
                               0, nullptr, L"C:\\purlo", &si, &pi));
  win::UniqueKernel process(pi.hProcess);
  win::UniqueKernel thread(pi.hThread);
  out.Reset();
  // Interrupt once the sweep has emptied its first folder.
  const DWORD start = ::GetTickCount();
  while (FoldersLeft(root) == kFolders && ::GetTickCount() - start < 20000) ::Sleep(5);
  ASSERT_LT(FoldersLeft(root), kFolders) << "the sweep did not start";
  ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) << ::GetLastError();
  ASSERT_EQ(::WaitForSingleObject(process.Get(), 60000), WAIT_OBJECT_0);
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  ::FreeConsole();

  EXPECT_EQ(code, 130u);
  const std::string text = ReadAll(outPath);
  JsonRun run = ParseRun(text);
  ASSERT_TRUE(run.parsed) << text;
  ASSERT_EQ(run.categories.size(), 1u);
  const JsonCategory& swept = run.categories[0];
  EXPECT_TRUE(swept.failed.empty());
  // Every file is either deleted, and counted, or untouched.
  uint64_t left = 0, leftBytes = 0, allBytes = 0;
  for (int d = 0; d < kFolders; ++d) {
    for (int f = 0; f < kFilesPerFolder; ++f) {
      allBytes += 10 + f;
      const std::wstring path = FileName(root, d, f);
      if (!Exists(path)) continue;
      EXPECT_EQ(FileSize(path), static_cast<uint64_t>(10 + f)) << Narrow(path);
      ++left;
      leftBytes += 10 + f;
    }
  }
  EXPECT_GT(left, 0u) << "the sweep ran to its end: the interrupt came too late to show anything";
  EXPECT_EQ(swept.items + left, static_cast<uint64_t>(kFolders * kFilesPerFolder));
  EXPECT_EQ(swept.bytes + leftBytes, allBytes);
  EXPECT_NE(run.summary.find(L"已经成功清理"), std::wstring::npos) << text;
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
}

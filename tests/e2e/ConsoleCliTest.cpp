// purlo-cli on a console: Ctrl+C stops a sweep between files, and the
// progress line is drawn in place and erased.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Gui.h"
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
  win::UniqueFile out = InheritableOutput(outPath);
  ASSERT_TRUE(out.Valid());
  win::UniqueKernel process = StartCli(L"sweep --yes --json TheWorldHistory", out.Get(), out.Get());
  ASSERT_TRUE(process.Valid());
  out.Reset();
  // Interrupt once the sweep has emptied its first folder.
  WaitUntil([&] { return FoldersLeft(root) < kFolders; }, 20000, 5);
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

namespace {

std::vector<std::wstring> ScreenLines(HANDLE screen) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  std::vector<std::wstring> lines;
  if (!::GetConsoleScreenBufferInfo(screen, &info)) return lines;
  for (SHORT y = 0; y <= info.dwCursorPosition.Y && y < info.dwSize.Y; ++y) {
    std::wstring line(info.dwSize.X, L' ');
    DWORD read = 0;
    ::ReadConsoleOutputCharacterW(screen, &line[0], info.dwSize.X, COORD{0, y}, &read);
    line.resize(read);
    while (!line.empty() && line.back() == L' ') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool AnyLineStartsWith(const std::vector<std::wstring>& lines, const std::wstring& prefix) {
  for (const std::wstring& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) return true;
  }
  return false;
}

// A file of the tree as the progress line shows it: the whole path, or, when
// the console is narrower than the path, "..." and the path's end.
bool IsProgressLine(const std::wstring& line, const std::wstring& root, int folders, int files) {
  if (line.compare(0, root.size(), root) == 0) return true;
  if (line.size() <= 3 || line.compare(0, 3, L"...") != 0) return false;
  const std::wstring tail = line.substr(3);
  for (int d = 0; d < folders; ++d) {
    for (int f = 0; f < files; ++f) {
      const std::wstring path = FileName(root, d, f);
      if (path.size() > tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0) return true;
    }
  }
  return false;
}

std::string Joined(const std::vector<std::wstring>& lines) {
  std::string text;
  for (const std::wstring& line : lines) text += "\n  |" + Narrow(line);
  return text;
}

}  // namespace

TEST(ConsoleCli, TheProgressLineUpdatesInPlaceAndIsErasedAtTheEnd) {
  TestFolder base(L"progress");
  const std::wstring root = base / L"data";
  const int folders = 20, files = 100;
  for (int d = 0; d < folders; ++d) {
    for (int f = 0; f < files; ++f) WriteFile(FileName(root, d, f), 1);
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
  SetString(HKEY_LOCAL_MACHINE, kTheWorld, L"Path", base.Path());
  ::FreeConsole();
  ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
  HANDLE console = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ASSERT_TRUE(console != nullptr && console != INVALID_HANDLE_VALUE);
  HANDLE inheritable = nullptr;
  ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), console, ::GetCurrentProcess(), &inheritable, 0, TRUE,
                                DUPLICATE_SAME_ACCESS));
  win::UniqueFile screen(inheritable);
  // Wine's console keeps a screen only where it has a display (CTest runs this under Xvfb).
  CONSOLE_SCREEN_BUFFER_INFO info;
  ASSERT_TRUE(::GetConsoleScreenBufferInfo(screen.Get(), &info)) << "no console screen: run under Xvfb";
  // The width the line must fit in: the console window's, under Wine narrower
  // than its buffer and not the same everywhere.
  const size_t columns = static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
  win::UniqueKernel process = StartCli(L"scan TheWorldHistory", screen.Get(), screen.Get());
  ASSERT_TRUE(process.Valid());
  // While it runs, the line shows the files being counted; each sample holds one at most.
  // Each sample is read with the program held (its threads suspended), which
  // then runs for a short slice: however slow this machine or the reading of
  // the screen, the scan moves on by at most a slice between two samples.
  using ProcessCall = LONG(NTAPI*)(HANDLE);
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto suspend = reinterpret_cast<ProcessCall>(::GetProcAddress(ntdll, "NtSuspendProcess"));
  const auto resume = reinterpret_cast<ProcessCall>(::GetProcAddress(ntdll, "NtResumeProcess"));
  ASSERT_TRUE(suspend != nullptr && resume != nullptr);
  constexpr DWORD kSliceMs = 10;
  int samples = 0, samplesWithPath = 0;
  size_t mostPathLines = 0, widestPathLine = 0;
  std::vector<std::wstring> lastSample;
  while (::WaitForSingleObject(process.Get(), kSliceMs) == WAIT_TIMEOUT) {
    size_t pathLines = 0;
    // (It may have ended just now: then there is nothing to hold.)
    const bool held = suspend(process.Get()) == 0;
    lastSample = ScreenLines(screen.Get());
    if (held) resume(process.Get());
    ++samples;
    for (const std::wstring& line : lastSample) {
      if (!IsProgressLine(line, root, folders, files)) continue;
      ++pathLines;
      widestPathLine = std::max(widestPathLine, line.size());
    }
    if (pathLines > 0) ++samplesWithPath;
    mostPathLines = std::max(mostPathLines, pathLines);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  const std::vector<std::wstring> lines = ScreenLines(screen.Get());
  screen.Reset();
  ::FreeConsole();
  EXPECT_EQ(code, 0u);
  std::printf("progress: %d of %d samples showed the line\n", samplesWithPath, samples);
  EXPECT_GT(samplesWithPath, 0) << "no progress line was seen in " << samples << " samples of a console "
                                << columns << " columns wide; the last:" << Joined(lastSample);
  EXPECT_EQ(mostPathLines, 1u);
  EXPECT_LT(widestPathLine, columns) << "the progress line wraps";
  for (const std::wstring& line : lines) {
    EXPECT_FALSE(IsProgressLine(line, root, folders, files)) << "the progress line stayed: " << Narrow(line);
  }
  EXPECT_TRUE(AnyLineStartsWith(lines, L"世界之窗浏览记录(2000个文件,1.953KB)"));
  EXPECT_TRUE(AnyLineStartsWith(lines, L"扫描已经完成"));
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
}

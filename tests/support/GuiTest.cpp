#include "tests/support/GuiTest.h"

#include "tests/support/CliRun.h"

namespace testing_support {

const wchar_t kNoticeStartText[] = L"开\x3000始";

HWND FindNotice(DWORD pid) {
  for (HWND w : TopLevelWindows(pid)) {
    if (ClassName(w) != L"#32770") continue;
    for (HWND child : Children(w)) {
      if (ClassName(child) == L"Button" && Text(child) == kNoticeStartText) return w;
    }
  }
  return nullptr;
}

namespace {

HWND NoticeButton(HWND notice) {
  for (HWND child : Children(notice)) {
    if (ClassName(child) == L"Button" && Text(child) == kNoticeStartText) return child;
  }
  return nullptr;
}

}  // namespace

AppUnderTest::~AppUnderTest() { End(); }

bool AppUnderTest::Start(const std::wstring& program, const std::wstring& caption, const std::wstring& arguments,
                         DWORD timeoutMs, const std::wstring& currentFolder) {
  End();
  process_ = Launch(program, arguments, currentFolder);
  if (!process_.Started()) return false;
  HWND pressedNotice = nullptr;
  WaitUntil(
      [&] {
        if (!process_.Running()) return true;
        for (HWND w : TopLevelWindows(process_.Id())) {
          if (ClassName(w) == L"#32770" && Text(w) == caption) {
            main_ = w;
            return true;
          }
        }
        HWND notice = FindNotice(process_.Id());
        if (notice && notice != pressedNotice && Click(NoticeButton(notice))) {
          pressedNotice = notice;
          noticeDismissed_ = true;
        }
        return false;
      },
      timeoutMs);
  return main_ != nullptr;
}

HWND AppUnderTest::StartAndWaitForNotice(const std::wstring& program, const std::wstring& arguments,
                                         DWORD timeoutMs, const std::wstring& currentFolder) {
  End();
  process_ = Launch(program, arguments, currentFolder);
  if (!process_.Started()) return nullptr;
  HWND notice = nullptr;
  WaitUntil([&] { return !process_.Running() || (notice = FindNotice(process_.Id())) != nullptr; }, timeoutMs);
  return notice;
}

bool AppUnderTest::Close(DWORD timeoutMs) {
  if (!process_.Running()) return true;
  if (main_ && ::IsWindow(main_)) RequestClose(main_);
  return process_.WaitForExit(timeoutMs);
}

void AppUnderTest::End() {
  if (process_.Running() && !Close(5000)) process_.Terminate();
  main_ = nullptr;
  noticeDismissed_ = false;
}

void GuiTest::SetUp() {
  wchar_t display[256] = {};
  ASSERT_GT(::GetEnvironmentVariableW(L"DISPLAY", display, 256), 0u)
      << "no X display for Wine's windows: run through scripts/test.sh or scripts/with-xvfb.sh";
}

void GuiTest::TearDown() { app.End(); }

std::wstring GuiTest::Screenshot(const std::wstring& suffix, HWND window) {
  if (!window) window = app.Main();
  if (!window) return std::wstring();
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::wstring name = Wide(std::string(info->test_suite_name()) + "." + info->name());
  for (wchar_t& c : name) {
    if (c == L'/' || c == L'\\' || c == L':') c = L'_';
  }
  if (!suffix.empty()) name += L"-" + suffix;
  const std::wstring path = ScreenshotFolder() + L"\\" + name + L".png";
  return CaptureWindow(window).SavePng(path) ? path : std::wstring();
}

}  // namespace testing_support

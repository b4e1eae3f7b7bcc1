// A dialog program running for one test, and a GoogleTest fixture around it.
//
//   class MainWindow : public testing_support::GuiTest {};
//   TEST_F(MainWindow, StartsWithFiveTicked) {
//     ASSERT_TRUE(app.Start(L"C:\\purlo\\Purlo.exe", L"Purlo Beta"));
//     HWND tree = app.Control(IDC_CATEGORY_TREE);
//     ... TreeItems(tree), Click(app.Control(IDC_START_SCAN)), WaitForMessageBox(app.Pid()) ...
//     Screenshot(L"after-scan");  // C:\purlo-tests\screenshots\MainWindow.StartsWithFiveTicked-after-scan.png
//   }
//
// The program is ended at the end of the test whatever happened (closed if it
// still runs, terminated after the bound), so one test's window never meets
// the next test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/Gui.h"

namespace testing_support {

// The text of the start-up notice's button that goes on into the program.
extern const wchar_t kNoticeStartText[];  // "开　始"

class AppUnderTest {
 public:
  AppUnderTest() = default;
  ~AppUnderTest();
  AppUnderTest(const AppUnderTest&) = delete;
  AppUnderTest& operator=(const AppUnderTest&) = delete;

  // Starts the program (a full Windows path in the sandbox) and waits for its
  // main window: a visible top-level dialog (#32770) of the process with this
  // caption. A start-up notice met on the way (a dialog of the process with a
  // button "开　始") is dismissed by pressing that button, as a person would.
  // False when the program did not start or no main window came in time.
  bool Start(const std::wstring& program, const std::wstring& caption, const std::wstring& arguments = L"",
             DWORD timeoutMs = 20000, const std::wstring& currentFolder = L"");
  // Like Start, but leaves a notice alone: waits only for a top-level dialog
  // of the process that has a button "开　始", and returns it (null on timeout).
  HWND StartAndWaitForNotice(const std::wstring& program, const std::wstring& arguments = L"",
                             DWORD timeoutMs = 20000, const std::wstring& currentFolder = L"");

  HWND Main() const { return main_; }
  DWORD Pid() const { return process_.Id(); }
  Process& process() { return process_; }
  bool NoticeDismissed() const { return noticeDismissed_; }
  HWND Control(int id) const { return ::GetDlgItem(main_, id); }

  // The close box (WM_CLOSE), then waits for the process to end; false when it
  // did not end within the time (it is then still running).
  bool Close(DWORD timeoutMs = 5000);
  // Ends the program however it can: Close, then TerminateProcess.
  void End();

 private:
  Process process_;
  HWND main_ = nullptr;
  bool noticeDismissed_ = false;
};

// The notice of a process: a top-level dialog with a button "开　始" (null if none).
HWND FindNotice(DWORD pid);

class GuiTest : public ::testing::Test {
 protected:
  // Fails the test at once when there is no X display for Wine's windows.
  void SetUp() override;
  void TearDown() override;

  // Saves a capture of the main window (or of `window`) as a PNG named after
  // the test, prints its Linux path ("screenshot: ...") and returns its
  // Windows path; empty when nothing was captured. It captures at once: call
  // WaitUntilStill first when the window may still be painting.
  std::wstring Screenshot(const std::wstring& suffix = L"", HWND window = nullptr);

  AppUnderTest app;
};

}  // namespace testing_support

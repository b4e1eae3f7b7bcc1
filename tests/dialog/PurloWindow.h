// Purlo.exe as a person meets it, for the dialog tests: started from C:\purlo
// in the sandbox, its controls found by their ids (res/resource.h), read back
// and clicked from this process.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "res/resource.h"
#include "tests/support/GuiTest.h"

namespace testing_support {

extern const wchar_t kPurloExe[];     // C:\purlo\Purlo.exe

// The labels of the 34 items, in tree order.
std::vector<std::wstring> Labels(HWND tree);
// The check states (true = ticked), in tree order.
std::vector<bool> Ticks(HWND tree);
// Ticks exactly the given categories by clicking their check boxes.
::testing::AssertionResult TickOnly(HWND tree, const std::vector<purlo::JunkCategory>& categories);

// A click on "暂停" within the double-click time of the click that started
// the scan is taken for the second half of a double click and ignored: a test
// that pauses waits this out after the scan's start.
void WaitOutDoubleClickTime();

// The status line shows the file a scan is counting ("正在扫描: ..."); false
// when it did not within the time.
bool WaitForScanProgress(HWND status, DWORD timeoutMs = 5000);

// How long a whole scan or sweep of the test trees may take under a loaded CI.
constexpr DWORD kRunTimeoutMs = 30000;

// TheWorldHistory's root is "<Path>\data", Path read from HKLM: these tests
// point it at trees of their (laid by prepare.sh).
void PointTheWorldAt(const std::wstring& folder);
extern const wchar_t kSmallTree[];  // C:\purlo-gui\small: 20,000 files
extern const wchar_t kGuiTree[];    // C:\purlo-gui\tree: 50,000 files, fewer after a sweep test
extern const wchar_t kLongTree[];   // C:\purlo-gui\long: 20,000 files, each path some 230 characters

}  // namespace testing_support

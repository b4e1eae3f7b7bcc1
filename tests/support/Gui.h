// Drives another program's windows from outside its process, as a person would,
// for tests that run under Wine in the same prefix (same wineserver) as the
// program under test. Windows come from the X display in DISPLAY (scripts/test.sh
// starts a private Xvfb; scripts/with-xvfb.sh does it for one command).
//
// Every wait polls with a bound and returns a null/false result on timeout;
// nothing here blocks on the target (all messages that expect an answer go
// through SendMessageTimeoutW, clicks are posted), so a click that opens a modal
// message box returns at once and the box can then be found and answered.
//
// Under Xvfb without a window manager a top-level window can take about 2 s to
// go away after it is destroyed: wait for process exit, not for the window.
//
// Tests that use the display (windows, keyboard focus, the mouse pointer, screen
// captures) take the CTest resource lock "display" (see tests/CMakeLists.txt).
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "win/Handles.h"

namespace testing_support {

// ---- processes ----------------------------------------------------------

// A program started by Launch. Ending a test with the program still running
// terminates it, so that a failed test leaves no window behind.
class Process {
 public:
  Process() = default;
  Process(win::UniqueKernel process, DWORD id) : process_(std::move(process)), id_(id) {}
  ~Process();
  Process(Process&&) = default;
  Process& operator=(Process&&) = default;

  bool Started() const { return process_.Valid(); }
  HANDLE Handle() const { return process_.Get(); }
  DWORD Id() const { return id_; }
  bool Running() const;
  // True when the process has ended within the time.
  bool WaitForExit(DWORD milliseconds);
  // STILL_ACTIVE (259) while running.
  DWORD ExitCode() const;
  void Terminate(UINT code = 99);
  // Bytes; 0 when it cannot be read.
  size_t WorkingSet() const;
  size_t PeakWorkingSet() const;

 private:
  win::UniqueKernel process_;
  DWORD id_ = 0;
};

// CreateProcessW with the full path as the application name (no search) and
// "\"program\" arguments" as its command line. An empty folder means the
// program's own folder. Started() is false when it could not be started.
Process Launch(const std::wstring& program, const std::wstring& arguments = L"",
               const std::wstring& currentFolder = L"");

// ---- windows ------------------------------------------------------------

// Visible top-level windows of the process (or of every process for pid 0).
std::vector<HWND> TopLevelWindows(DWORD pid);
// The first visible top-level window of the process whose class and caption
// match; an empty class or caption matches any. Null after the timeout.
HWND WaitForWindow(DWORD pid, const std::wstring& className, const std::wstring& caption,
                   DWORD timeoutMs = 10000);
// Waits until the window is gone or hidden; false after the timeout.
bool WaitForWindowGone(HWND window, DWORD timeoutMs = 5000);
// Polls until predicate() is true; false after the timeout. For conditions
// such as "the status text changed".
template <typename Predicate>
bool WaitUntil(Predicate predicate, DWORD timeoutMs = 5000, DWORD pollMs = 20) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (predicate()) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::Sleep(pollMs);
  }
}

// Polls value() until it has given the same result for `steadyMs`; false when
// it kept changing until the timeout. For a program that has come to rest (a
// paused walk, a status line's last refresh, objects freed) before it is read.
template <typename Reader>
bool WaitUntilSteady(Reader value, DWORD steadyMs, DWORD timeoutMs = 5000, DWORD pollMs = 20) {
  const DWORD start = ::GetTickCount();
  auto last = value();
  DWORD sameSince = start;
  for (;;) {
    ::Sleep(pollMs);
    auto now = value();
    const DWORD at = ::GetTickCount();
    if (now != last) {
      last = std::move(now);
      sameSince = at;
    } else if (at - sameSince >= steadyMs) {
      return true;
    }
    if (at - start >= timeoutMs) return false;
  }
}

// The window's text equals `expected` (or its enabled state `enabled`) within the time.
bool WaitForText(HWND window, const std::wstring& expected, DWORD timeoutMs = 5000);
bool WaitForEnabled(HWND window, bool enabled, DWORD timeoutMs = 5000);
// The window's text has not changed for `steadyMs`; false when it kept changing until the timeout.
bool WaitForSteadyText(HWND window, DWORD steadyMs, DWORD timeoutMs = 5000);

HWND Control(HWND dialog, int id);  // GetDlgItem
int ControlId(HWND control);
std::wstring Text(HWND window);  // WM_GETTEXT, bounded; empty on timeout
std::wstring ClassName(HWND window);
DWORD Style(HWND window);
DWORD ExStyle(HWND window);
bool Enabled(HWND window);
bool Visible(HWND window);  // the window and all its parents are visible
int CheckState(HWND button);  // BM_GETCHECK: BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE; -1 on timeout
RECT WindowRect(HWND window);  // screen coordinates
RECT ClientRectOnScreen(HWND window);
// The work area of the monitor the mouse pointer is on (the screen less any taskbar).
RECT WorkAreaAtPointer();
// How far the centre of `window` lies from the centre of `area`, in pixels, the
// larger of the two axes.
int CentreOffset(const RECT& window, const RECT& area);
// Children in Z order (which is the template's tab order for a dialog).
std::vector<HWND> Children(HWND parent);
// The window that has the keyboard focus in the window's thread (null if none).
HWND FocusedWindow(HWND anyWindowOfThread);

// ---- input --------------------------------------------------------------

// Posts BM_CLICK, as a click reaches a button: the button then notifies its
// parent as for a mouse click. Returns false without clicking when the button
// is disabled or hidden (a person could not press it). Never waits for the
// target, so it is safe when the click opens a modal box.
bool Click(HWND button);
// Real mouse input: moves the pointer to the centre of the window (or to a
// point in its client coordinates) and sends a left press and release with
// SendInput. False when the window is disabled or hidden, or the point is not
// over it on screen.
bool MouseClick(HWND window);
bool MouseClickAt(HWND window, POINT client);
// A key press and release posted to the window that has the focus in the
// target's thread (or to the given window when none has), as the keyboard
// would deliver them: the dialog's own message loop sees them, so Enter presses
// the default button and Esc cancels. A focus that is not a live window of
// that thread counts as none. Retried for up to 2 s while the post fails;
// false when it never went through or the window is gone.
bool PressKey(HWND anyWindowOfThread, WORD virtualKey);
inline bool PressEnter(HWND w) { return PressKey(w, VK_RETURN); }
inline bool PressEscape(HWND w) { return PressKey(w, VK_ESCAPE); }
// Real keyboard input with SendInput after bringing the window to the
// foreground. False when the window could not be made the foreground window.
bool TypeKey(HWND window, WORD virtualKey);
// WM_CLOSE, posted: what the close box sends.
void RequestClose(HWND window);
// WM_DPICHANGED as Windows sends it when the window moves to a monitor of
// another DPI: the new DPI and the rectangle it suggests, put into the
// target's memory. False when it could not be delivered.
bool SendDpiChanged(HWND window, UINT dpi, const RECT& suggested);

// ---- message boxes ------------------------------------------------------

struct MessageBoxInfo {
  HWND window = nullptr;
  std::wstring caption;
  std::wstring text;  // control 0xFFFF
  std::vector<int> buttons;  // ids present: IDOK, IDCANCEL, IDYES, IDNO ...
  bool hasIcon = false;  // a static with SS_ICON
  bool Found() const { return window != nullptr; }
};

// A message box (#32770 with a static 0xFFFF) of the process, optionally owned
// by the given window. Found() is false after the timeout.
MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs = 5000, HWND owner = nullptr);
// Presses the button with the id (IDOK, IDYES, IDNO ...) and waits until the
// box is gone; false when the box has no such button or did not close.
bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId, DWORD timeoutMs = 5000);
// No message box of the process appears within the time.
bool NoMessageBoxFor(DWORD pid, DWORD milliseconds);

// ---- tree views of another process ---------------------------------------

struct TreeItem {
  HTREEITEM handle = nullptr;
  std::wstring text;
  int checkState = -1;  // state image index minus one: 0 unchecked, 1 checked; -1 unknown
  UINT state = 0;  // TVIS_* bits
};

// Root-level items in order, or the children of `parent`.
std::vector<TreeItem> TreeItems(HWND tree, HTREEITEM parent = nullptr);
TreeItem ReadTreeItem(HWND tree, HTREEITEM item);
// Sets the check as TVM_SETITEMW would (no click, no notification).
bool SetTreeCheck(HWND tree, HTREEITEM item, bool checked);
// Clicks the item's check box with the mouse, as a person would; false when
// the check box is not visible or the click did not land on it.
bool ClickTreeCheck(HWND tree, HTREEITEM item);
// The item's rectangle in the tree's client coordinates (text only or whole row).
bool TreeItemRect(HWND tree, HTREEITEM item, bool textOnly, RECT* rect);
HTREEITEM TreeSelection(HWND tree);
// Text colour of the tree (TVM_GETTEXTCOLOR), -1 for the system default.
COLORREF TreeTextColor(HWND tree);

// ---- pixels -------------------------------------------------------------

// Pixels copied from the screen (BitBlt from GetDC(nullptr): PrintWindow
// draws black under Wine), top row first, each 0x00RRGGBB.
struct Capture {
  int width = 0, height = 0;
  RECT screen = {};  // where it was taken
  std::vector<uint32_t> pixels;

  bool Empty() const { return pixels.empty(); }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  COLORREF Color(int x, int y) const;  // as RGB()
  // Pixels in the rectangle (capture coordinates) for which match(rgb) holds.
  int Count(const RECT& area, bool (*match)(uint32_t rgb)) const;
  int CountColor(const RECT& area, COLORREF color, int tolerance = 0) const;
  bool SavePng(const std::wstring& path) const;
  bool SaveBmp(const std::wstring& path) const;
};

Capture CaptureScreen(const RECT& screen);
// Waits until the window's pixels have not changed for `stillMs` (a window
// just shown may still be painting); false when they kept changing (an
// animation) until the timeout.
bool WaitUntilStill(HWND window, DWORD stillMs = 200, DWORD timeoutMs = 3000);
Capture CaptureWindow(HWND window);  // the whole window, frame included
Capture CaptureClient(HWND window);  // the client area
// A rectangle of `window`'s client area, in the coordinates of a capture of
// `reference`'s client area (for finding a control inside a dialog capture).
RECT RectIn(HWND reference, HWND window);
// A rectangle given in `window`'s client coordinates (for example a tree
// item's, from TreeItemRect), moved into `reference`'s client coordinates.
RECT MapRectIn(HWND reference, HWND window, const RECT& inWindow);

inline int Red(uint32_t rgb) { return (rgb >> 16) & 0xFF; }
inline int Green(uint32_t rgb) { return (rgb >> 8) & 0xFF; }
inline int Blue(uint32_t rgb) { return rgb & 0xFF; }

// ---- timing -------------------------------------------------------------

// Milliseconds for a WM_NULL round trip to the window's thread; negative when
// it did not answer within the timeout.
double RoundTripMs(HWND window, DWORD timeoutMs = 5000);
// One round trip every `everyMs` for `forMs`; each entry in ms, negative for
// a round trip that timed out (after `timeoutMs`).
std::vector<double> SampleRoundTrips(HWND window, DWORD everyMs, DWORD forMs, DWORD timeoutMs = 5000);
// The p-th percentile (0..100) of the samples, nearest rank; timed-out
// (negative) samples count as the largest. 0 for no samples.
double Percentile(std::vector<double> samples, double p);

// A folder where tests leave pictures for a person to look at:
// C:\purlo-tests\screenshots (created on first use), on the Linux side
// build/<arch>/sandbox/<prefix>/prefix/drive_c/purlo-tests/screenshots.
std::wstring ScreenshotFolder();
// The Linux path of a Windows path in the prefix, through Wine's own
// wine_get_unix_file_name; empty outside Wine.
std::string UnixPath(const std::wstring& windowsPath);

}  // namespace testing_support

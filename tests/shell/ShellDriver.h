// A small remote control for the shell tests: starts Purlo.exe, finds its
// windows, clicks and keys from outside its process, reads texts back,
// captures pixels from the screen (PrintWindow draws black under Wine) and
// reads dialog templates from the program file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace shellgui {

class Process {
 public:
  Process() = default;
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // CreateProcessW with the full path as the application name; an empty
  // folder means the program's own.
  bool Start(const std::wstring& program, const std::wstring& currentFolder);
  DWORD Id() const { return id_; }
  bool Running() const;
  bool WaitForExit(DWORD milliseconds);
  DWORD ExitCode() const;  // STILL_ACTIVE while running
  // Closes the main window if there is one, then terminates after the bound.
  void End(HWND main);

 private:
  win::UniqueKernel process_;
  DWORD id_ = 0;
};

template <typename Predicate>
bool WaitUntil(Predicate predicate, DWORD timeoutMs = 5000, DWORD pollMs = 20) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (predicate()) return true;
    if (::GetTickCount() - start >= timeoutMs) return false;
    ::Sleep(pollMs);
  }
}

std::vector<HWND> TopLevelWindows(DWORD pid);  // visible ones
std::wstring ClassName(HWND window);
std::wstring Text(HWND window);  // WM_GETTEXT, bounded
HWND Control(HWND dialog, int id);
// Posts BM_CLICK; false when the button is missing, hidden or disabled.
bool Click(HWND button);
// Posts the key to the window with the focus in the target's thread, as the
// keyboard would, so the dialog's own loop sees it.
bool PressKey(HWND anyWindowOfThread, WORD virtualKey);

// The notice of a process: a top-level dialog with a button "开　始".
HWND FindNotice(DWORD pid);
// Starts the program and waits for its main window (a visible dialog with the
// caption), pressing "开　始" on a notice met on the way.
HWND StartPastNotice(Process& process, const std::wstring& program, const std::wstring& caption,
                     const std::wstring& currentFolder = L"");

struct Capture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
  bool Empty() const { return pixels.empty(); }
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  int Count(const RECT& area, bool (*match)(uint32_t rgb)) const;
  // 24-bit BMP, for a person to look at.
  bool SaveBmp(const std::wstring& path) const;
};
Capture CaptureClient(HWND window);
// A child's client rectangle in the coordinates of a capture of `reference`'s client area.
RECT RectIn(HWND reference, HWND window);
inline int Red(uint32_t rgb) { return (rgb >> 16) & 0xFF; }
inline int Green(uint32_t rgb) { return (rgb >> 8) & 0xFF; }
inline int Blue(uint32_t rgb) { return rgb & 0xFF; }
std::wstring ScreenshotFolder();  // C:\purlo-tests\screenshots

struct DialogControl {
  int id = 0;  // -1 for IDC_STATIC
  std::wstring className, text;
  uint16_t textOrdinal = 0;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
};
struct DialogTemplate {
  bool found = false;
  DWORD style = 0;
  short cx = 0, cy = 0;
  uint16_t pointSize = 0;
  std::wstring font;
  std::vector<DialogControl> controls;
};
// A DIALOGEX template of a program file, opened as data.
DialogTemplate ReadDialog(const std::wstring& program, int id);
struct BitmapInfo {
  bool found = false;
  int width = 0, height = 0, bitCount = 0;
};
BitmapInfo ReadBitmap(const std::wstring& program, int id);

}  // namespace shellgui

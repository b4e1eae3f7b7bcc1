// Where windows open and how big their pixels are. Every call newer than
// Windows XP is looked up at run time, with the XP answer as its fallback.
#pragma once

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace fw {

// The work area (the screen less the taskbar) of the monitor the mouse
// pointer is on.
RECT WorkAreaAtPointer();
// The work area of the monitor that holds most of the window.
RECT WorkAreaOf(HWND window);

// Moves the window, keeping its size, so that its centre is the centre of
// `over`, then pulls it inside `bounds` where it would stick out.
void CenterWindow(HWND window, const RECT& over, const RECT& bounds);
// Centred on the work area of the monitor the pointer is on.
void CenterOnPointerMonitor(HWND window);
// Centred over its owner window, inside the owner's monitor's work area.
void CenterOverOwner(HWND window);

// The dots per inch the window is drawn at: GetDpiForWindow where the system
// has it (Windows 10), otherwise the screen's LOGPIXELSY.
UINT WindowDpi(HWND window);
// A length in pixels at 96 DPI, at `dpi`.
inline int ScaleForDpi(int pixelsAt96, UINT dpi) { return ::MulDiv(pixelsAt96, static_cast<int>(dpi), 96); }

// WM_DPICHANGED: the window takes the rectangle the system suggests.
void TakeSuggestedRect(HWND window, LPARAM suggested);

}  // namespace fw

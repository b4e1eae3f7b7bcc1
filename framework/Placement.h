// Where windows open and how big their pixels are. Every call newer than
// Windows XP is looked up at run time, with the XP answer as its fallback.
#pragma once

#include <windows.h>

#include "win/Gdi.h"

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
// Moves the window, keeping its size, the least that puts it inside `bounds`
// (its top left corner stays visible where it is larger).
void KeepInside(HWND window, const RECT& bounds);

// The scaling steps Windows offers are 24 DPI apart (100%, 125%, 150%...). The
// DPI of the largest step, from `layoutDpi` (the DPI the window is laid out
// for now) down to 96, at which the window fits into `work`; its frame keeps
// its size, its client area scales. `layoutDpi` when the window fits as it
// is, 96 when no step does.
UINT LargestFittingDpi(HWND window, const RECT& work, UINT layoutDpi);
// `font` with its height scaled from one DPI to another.
win::UniqueFont ScaledFont(HFONT font, UINT fromDpi, UINT toDpi);
// Lays the dialog out for `toDpi` instead of `fromDpi`: its client area and
// every child's place and size scale, and every child and the dialog take
// `font` (the caller's, scaled alike, kept alive as long as the dialog).
void ScaleDialogLayout(HWND dialog, UINT fromDpi, UINT toDpi, HFONT font);

}  // namespace fw

#include "framework/Placement.h"

namespace fw {

namespace {

RECT MonitorWorkArea(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor != nullptr && ::GetMonitorInfoW(monitor, &info)) return info.rcWork;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// The start of a span of `size` centred on [low, high), kept inside [boundLow, boundHigh).
int CentredStart(int low, int high, int size, int boundLow, int boundHigh) {
  int start = low + (high - low - size) / 2;
  if (start + size > boundHigh) start = boundHigh - size;
  if (start < boundLow) start = boundLow;
  return start;
}

}  // namespace

RECT WorkAreaAtPointer() {
  POINT pointer{};
  ::GetCursorPos(&pointer);
  return MonitorWorkArea(::MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST));
}

RECT WorkAreaOf(HWND window) { return MonitorWorkArea(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)); }

void CenterWindow(HWND window, const RECT& over, const RECT& bounds) {
  RECT now{};
  if (!::GetWindowRect(window, &now)) return;
  const int x = CentredStart(over.left, over.right, Width(now), bounds.left, bounds.right);
  const int y = CentredStart(over.top, over.bottom, Height(now), bounds.top, bounds.bottom);
  ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CenterOnPointerMonitor(HWND window) {
  const RECT work = WorkAreaAtPointer();
  CenterWindow(window, work, work);
}

void CenterOverOwner(HWND window) {
  HWND owner = ::GetWindow(window, GW_OWNER);
  RECT over{};
  if (owner == nullptr || !::GetWindowRect(owner, &over)) {
    CenterOnPointerMonitor(window);
    return;
  }
  CenterWindow(window, over, WorkAreaOf(owner));
}

UINT WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow != nullptr) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return dpi;
  }
  HDC screen = ::GetDC(nullptr);
  const int dpi = screen != nullptr ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void TakeSuggestedRect(HWND window, LPARAM suggested) {
  const RECT* r = reinterpret_cast<const RECT*>(suggested);
  if (r == nullptr) return;
  ::SetWindowPos(window, nullptr, r->left, r->top, Width(*r), Height(*r), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace fw

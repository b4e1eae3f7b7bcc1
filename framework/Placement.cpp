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

void KeepInside(HWND window, const RECT& bounds) {
  RECT now{};
  if (!::GetWindowRect(window, &now)) return;
  int x = now.left, y = now.top;
  if (x + Width(now) > bounds.right) x = bounds.right - Width(now);
  if (y + Height(now) > bounds.bottom) y = bounds.bottom - Height(now);
  if (x < bounds.left) x = bounds.left;
  if (y < bounds.top) y = bounds.top;
  if (x != now.left || y != now.top) {
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

UINT LargestFittingDpi(HWND window, const RECT& work, UINT layoutDpi) {
  constexpr UINT kLowest = 96, kStep = 24;
  RECT outer{}, client{};
  if (layoutDpi <= kLowest || !::GetWindowRect(window, &outer) || !::GetClientRect(window, &client)) return layoutDpi;
  const int frameWidth = Width(outer) - Width(client), frameHeight = Height(outer) - Height(client);
  const auto fits = [&](UINT dpi) {
    return frameWidth + ::MulDiv(Width(client), static_cast<int>(dpi), static_cast<int>(layoutDpi)) <= Width(work) &&
           frameHeight + ::MulDiv(Height(client), static_cast<int>(dpi), static_cast<int>(layoutDpi)) <= Height(work);
  };
  if (fits(layoutDpi)) return layoutDpi;
  // The steps below, whether or not layoutDpi is one itself.
  for (UINT dpi = (layoutDpi - 1) / kStep * kStep; dpi > kLowest; dpi -= kStep) {
    if (fits(dpi)) return dpi;
  }
  return kLowest;
}

win::UniqueFont ScaledFont(HFONT font, UINT fromDpi, UINT toDpi) {
  LOGFONTW face{};
  if (font == nullptr || ::GetObjectW(font, sizeof face, &face) != sizeof face) return win::UniqueFont();
  face.lfHeight = ::MulDiv(face.lfHeight, static_cast<int>(toDpi), static_cast<int>(fromDpi));
  face.lfWidth = ::MulDiv(face.lfWidth, static_cast<int>(toDpi), static_cast<int>(fromDpi));
  return win::UniqueFont(::CreateFontIndirectW(&face));
}

void ScaleDialogLayout(HWND dialog, UINT fromDpi, UINT toDpi, HFONT font) {
  const auto scale = [&](LONG v) { return ::MulDiv(v, static_cast<int>(toDpi), static_cast<int>(fromDpi)); };
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    if (font != nullptr) ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ::SetWindowPos(child, nullptr, scale(r.left), scale(r.top), scale(r.right) - scale(r.left),
                   scale(r.bottom) - scale(r.top), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (font != nullptr) ::SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  RECT outer{}, client{};
  ::GetWindowRect(dialog, &outer);
  ::GetClientRect(dialog, &client);
  ::SetWindowPos(dialog, nullptr, 0, 0, Width(outer) - Width(client) + scale(Width(client)),
                 Height(outer) - Height(client) + scale(Height(client)), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(dialog, nullptr, TRUE);
}

void TakeSuggestedRect(HWND window, LPARAM suggested) {
  const RECT* r = reinterpret_cast<const RECT*>(suggested);
  if (r == nullptr) return;
  ::SetWindowPos(window, nullptr, r->left, r->top, Width(*r), Height(*r), SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace fw

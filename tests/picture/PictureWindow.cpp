#include "tests/picture/PictureWindow.h"

#include "res/resource.h"
#include "win/Gdi.h"

namespace testgif {

namespace {

const wchar_t kHostClass[] = L"PurloPictureTestHost";

HWND Host() {
  static HWND host = nullptr;
  if (host != nullptr && ::IsWindow(host)) return host;
  WNDCLASSW wc{};
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kHostClass;
  ::RegisterClassW(&wc);
  host = ::CreateWindowExW(WS_EX_TOPMOST, kHostClass, L"picture test", WS_POPUP | WS_VISIBLE, 0, 0, 760, 160,
                           nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  return host;
}

}  // namespace

double NowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

PictureWindow::PictureWindow(CPictureEx& bound) : picture(bound) {
  HWND host = Host();
  if (host == nullptr) return;
  control_ = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, 20, 20, 100, 40, host,
                               reinterpret_cast<HMENU>(IDC_BANNER_ANIMATION), ::GetModuleHandleW(nullptr), nullptr);
  if (control_ != nullptr) picture.Attach(control_);
  ::InvalidateRect(host, nullptr, TRUE);
  ::UpdateWindow(host);
  Pump(30);
}

PictureWindow::~PictureWindow() {
  if (control_ != nullptr && ::IsWindow(control_)) ::DestroyWindow(control_);
  Pump(10);
}

SIZE PictureWindow::ControlSize() const {
  RECT r{};
  ::GetWindowRect(control_, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

void PictureWindow::Pump(DWORD ms) const {
  const double end = NowMs() + ms;
  do {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(1);
  } while (NowMs() < end);
}

void PictureWindow::Repaint() const {
  ::InvalidateRect(control_, nullptr, FALSE);
  ::UpdateWindow(control_);
  Pump(30);
}

Capture PictureWindow::Grab(int width, int height) const {
  POINT origin{0, 0};
  ::ClientToScreen(control_, &origin);
  return testing_support::CaptureScreen(RECT{origin.x, origin.y, origin.x + width, origin.y + height});
}

COLORREF PictureWindow::ScreenPixel(int x, int y) const {
  POINT at{x, y};
  ::ClientToScreen(control_, &at);
  win::WindowDC screen(nullptr);
  return ::GetPixel(screen.Get(), at.x, at.y);
}

bool PictureWindow::WaitForPixel(int x, int y, COLORREF colour, DWORD timeoutMs) const {
  const double end = NowMs() + timeoutMs;
  while (NowMs() < end) {
    if (ScreenPixel(x, y) == colour) return true;
    Pump(1);
  }
  return false;
}

std::vector<Sample> PictureWindow::Watch(int x, int y, DWORD timeoutMs, const std::function<bool()>& done) const {
  std::vector<Sample> samples;
  const double start = NowMs();
  while (NowMs() - start < timeoutMs && !done()) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    const COLORREF c = ScreenPixel(x, y);
    if (samples.empty() || samples.back().colour != c) samples.push_back({NowMs() - start, c});
    ::Sleep(1);
  }
  return samples;
}

}  // namespace testgif

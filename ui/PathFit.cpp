#include "ui/PathFit.h"

#include "win/Gdi.h"

namespace ui {

namespace {

const wchar_t kEllipsis[] = L"...";

// The largest n in [0, limit] for which fits(n) holds, fits being monotonic
// (true up to some n); -1 when not even fits(0) holds.
template <typename Fits>
int LargestFitting(int limit, Fits fits) {
  if (!fits(0)) return -1;
  int low = 0, high = limit;
  while (low < high) {
    const int middle = low + (high - low + 1) / 2;
    if (fits(middle)) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

}  // namespace

std::wstring FitPath(const std::wstring& prefix, const std::wstring& path, int width,
                     const std::function<int(const std::wstring&)>& measure) {
  const std::wstring whole = prefix + path;
  if (measure(whole) <= width) return whole;
  const size_t slash = path.find_last_of(L'\\');
  const std::wstring name = slash == std::wstring::npos ? path : path.substr(slash);
  const std::wstring head = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  // As much of the head as fits before the ellipsis and the whole name.
  const int kept = LargestFitting(static_cast<int>(head.size()), [&](int n) {
    return measure(prefix + head.substr(0, n) + kEllipsis + name) <= width;
  });
  if (kept >= 0) return prefix + head.substr(0, kept) + kEllipsis + name;
  // Not even the name fits: its end, which tells the files apart.
  const int tail = LargestFitting(static_cast<int>(name.size()), [&](int n) {
    return measure(prefix + kEllipsis + name.substr(name.size() - n)) <= width;
  });
  return prefix + kEllipsis + name.substr(name.size() - (tail > 0 ? tail : 0));
}

std::wstring FitPathToEdit(HWND edit, const std::wstring& prefix, const std::wstring& path) {
  RECT client{};
  win::WindowDC dc(edit);
  if (!dc || !::GetClientRect(edit, &client)) return prefix + path;
  const DWORD margins = static_cast<DWORD>(::SendMessageW(edit, EM_GETMARGINS, 0, 0));
  // A pixel or two of slack: the caret's place at the end of the line.
  const int width = client.right - LOWORD(margins) - HIWORD(margins) - 2;
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(edit, WM_GETFONT, 0, 0));
  win::SelectGuard select(dc.Get(), font);
  return FitPath(prefix, path, width, [&](const std::wstring& text) {
    SIZE size{};
    ::GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  });
}

}  // namespace ui

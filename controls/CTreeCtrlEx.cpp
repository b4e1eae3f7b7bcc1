#include "controls/CTreeCtrlEx.h"

#include <string>

#include "win/Gdi.h"

void CTreeCtrlEx::SetLabelColor(HTREEITEM item, COLORREF color) {
  Color_Font style;
  auto found = labelStyles_.find(item);
  if (found != labelStyles_.end()) style = found->second;
  style.color = color;
  labelStyles_[item] = style;
}

void CTreeCtrlEx::OnAttached() { subclass_.Install(Hwnd(), *this); }

bool CTreeCtrlEx::OnSubclassMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  // WM_PAINT with a DC in wParam is the tree painting into our buffer: its own job.
  if (message != WM_PAINT || wParam != 0) return false;
  OnPaint();
  result = 0;
  return true;
}

void CTreeCtrlEx::OnPaint() {
  win::PaintDC paint(Hwnd());
  RECT clip{};
  ::GetClipBox(paint.Get(), &clip);
  const RECT client = GetClientRect();
  win::MemoryDC memory(::CreateCompatibleDC(paint.Get()));
  win::UniqueBitmap buffer(::CreateCompatibleBitmap(paint.Get(), client.right - client.left, client.bottom - client.top));
  if (!memory || !buffer) {
    // No buffer to be had: let the tree paint straight into the window.
    fw::WindowSubclass::CallDefault(Hwnd(), WM_PAINT, reinterpret_cast<WPARAM>(paint.Get()), 0);
    return;
  }
  {
    win::SelectGuard bitmap(memory.Get(), buffer.Get());
    {
      win::UniqueRegion region(::CreateRectRgnIndirect(&clip));
      ::SelectClipRgn(memory.Get(), region.Get());
    }
    fw::WindowSubclass::CallDefault(Hwnd(), WM_PAINT, reinterpret_cast<WPARAM>(memory.Get()), 0);
    OverpaintLabels(memory.Get());
    ::BitBlt(paint.Get(), clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top, memory.Get(), clip.left,
             clip.top, SRCCOPY);
  }
}

// Only the visible items, plus one for a partly visible last row.
void CTreeCtrlEx::OverpaintLabels(HDC dc) {
  const bool focused = ::GetFocus() == Hwnd();
  const UINT visits = GetVisibleCount() + 1;
  HTREEITEM item = GetFirstVisibleItem();
  for (UINT i = 0; i < visits && item != nullptr; ++i, item = GetNextVisibleItem(item)) {
    const UINT state = GetItemState(item, TVIS_SELECTED | TVIS_DROPHILITED | TVIS_BOLD);
    if ((state & (TVIS_SELECTED | TVIS_DROPHILITED)) != 0 && focused) continue;
    auto found = labelStyles_.find(item);
    if (found == labelStyles_.end()) continue;
    OverpaintLabel(dc, item, found->second);
  }
}

void CTreeCtrlEx::OverpaintLabel(HDC dc, HTREEITEM item, const Color_Font& style) {
  LOGFONTW logfont = style.logfont;
  if (logfont.lfFaceName[0] == L'\0') {
    HFONT own = GetFont();
    if (own == nullptr) own = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    ::GetObjectW(own, sizeof logfont, &logfont);
  }
  if (GetItemState(item, TVIS_BOLD) != 0) logfont.lfWeight = FW_BOLD;
  win::UniqueFont font(::CreateFontIndirectW(&logfont));
  win::SelectGuard selected(dc, font.Get());
  ::SetTextColor(dc, style.color == 0xFFFFFFFF ? ::GetSysColor(COLOR_WINDOWTEXT) : style.color);
  ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
  const std::wstring text = GetItemText(item);
  RECT rect{};
  if (!GetItemRect(item, rect, true)) return;
  ::TextOutW(dc, rect.left + 2, rect.top + 1, text.c_str(), static_cast<int>(text.size()));
}

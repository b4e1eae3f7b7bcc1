#include "framework/Controls.h"

namespace fw {

void CWnd::Attach(HWND hwnd) {
  hwnd_ = hwnd;
  if (hwnd_ != nullptr) OnAttached();
}

HWND CWnd::Detach() {
  HWND h = hwnd_;
  hwnd_ = nullptr;
  return h;
}

void CWnd::SetWindowText(const std::wstring& text) const { ::SetWindowTextW(hwnd_, text.c_str()); }
void CWnd::EnableWindow(bool enable) const { ::EnableWindow(hwnd_, enable ? TRUE : FALSE); }
bool CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(hwnd_) != FALSE; }
void CWnd::ShowWindow(int command) const { ::ShowWindow(hwnd_, command); }

void CWnd::ModifyStyle(LONG_PTR remove, LONG_PTR add) const {
  LONG_PTR style = (::GetWindowLongPtrW(hwnd_, GWL_STYLE) & ~remove) | add;
  ::SetWindowLongPtrW(hwnd_, GWL_STYLE, style);
}

RECT CWnd::GetClientRect() const {
  RECT rect{};
  ::GetClientRect(hwnd_, &rect);
  return rect;
}

HFONT CWnd::GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
  return ::SendMessageW(hwnd_, message, wParam, lParam);
}

int CButton::GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
void CButton::SetCheck(int state) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }

HTREEITEM CTreeCtrl::InsertItem(const std::wstring& text, HTREEITEM parent, HTREEITEM after) const {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = after;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

bool CTreeCtrl::SetItemText(HTREEITEM item, const std::wstring& text) const {
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = const_cast<wchar_t*>(text.c_str());
  return SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != 0;
}

std::wstring CTreeCtrl::GetItemText(HTREEITEM item) const {
  wchar_t buffer[1024] = {};
  TVITEMW tv{};
  tv.mask = TVIF_TEXT;
  tv.hItem = item;
  tv.pszText = buffer;
  tv.cchTextMax = static_cast<int>(sizeof buffer / sizeof buffer[0]);
  if (SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) == 0) return std::wstring();
  return tv.pszText != nullptr ? std::wstring(tv.pszText) : std::wstring();
}

UINT CTreeCtrl::GetItemState(HTREEITEM item, UINT mask) const {
  return static_cast<UINT>(SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item), mask)) & mask;
}

bool CTreeCtrl::GetCheck(HTREEITEM item) const { return (GetItemState(item, TVIS_STATEIMAGEMASK) >> 12) == 2; }

void CTreeCtrl::SetCheck(HTREEITEM item, bool ticked) const {
  TVITEMW tv{};
  tv.mask = TVIF_STATE | TVIF_HANDLE;
  tv.hItem = item;
  tv.stateMask = TVIS_STATEIMAGEMASK;
  tv.state = INDEXTOSTATEIMAGEMASK(ticked ? 2 : 1);
  SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv));
}

HTREEITEM CTreeCtrl::GetNextItem(HTREEITEM item, UINT code) const {
  return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, code, reinterpret_cast<LPARAM>(item)));
}

UINT CTreeCtrl::GetVisibleCount() const { return static_cast<UINT>(SendMessage(TVM_GETVISIBLECOUNT)); }

// TVM_GETITEMRECT takes the item handle in the rectangle it fills.
bool CTreeCtrl::GetItemRect(HTREEITEM item, RECT& rect, bool textOnly) const {
  *reinterpret_cast<HTREEITEM*>(&rect) = item;
  return SendMessage(TVM_GETITEMRECT, textOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&rect)) != 0;
}

}  // namespace fw

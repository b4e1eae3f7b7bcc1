// Thin, non-owning wrappers for windows the dialog does not own: a dialog's
// controls are destroyed with the dialog, so these never destroy anything.
// Every call is a message to the control; make them on the control's thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace fw {

class CWnd {
 public:
  CWnd() = default;
  explicit CWnd(HWND hwnd) : hwnd_(hwnd) {}
  virtual ~CWnd() = default;

  // Binds the wrapper to a window (DataExchange does this by control id).
  void Attach(HWND hwnd);
  HWND Detach();
  HWND Hwnd() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }

  void SetWindowText(const std::wstring& text) const;
  void EnableWindow(bool enable) const;
  bool IsWindowEnabled() const;
  void ShowWindow(int command) const;
  // Clears `remove` and sets `add` in the window style.
  void ModifyStyle(LONG_PTR remove, LONG_PTR add) const;
  RECT GetClientRect() const;
  HFONT GetFont() const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

 protected:
  // Called after Attach with the new window: for wrappers that subclass it.
  virtual void OnAttached() {}

 private:
  HWND hwnd_ = nullptr;
};

class CButton : public CWnd {
 public:
  using CWnd::CWnd;
  int GetCheck() const;  // BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
  void SetCheck(int state) const;
};

class CEdit : public CWnd {
 public:
  using CWnd::CWnd;
};

class CStatic : public CWnd {
 public:
  using CWnd::CWnd;
};

class CTreeCtrl : public CWnd {
 public:
  using CWnd::CWnd;
  // A root-level item appended after the last one, with its text as its only content.
  HTREEITEM InsertItem(const std::wstring& text, HTREEITEM parent = TVI_ROOT, HTREEITEM after = TVI_LAST) const;
  bool SetItemText(HTREEITEM item, const std::wstring& text) const;
  std::wstring GetItemText(HTREEITEM item) const;
  // Ticked when the state image index is 2.
  bool GetCheck(HTREEITEM item) const;
  void SetCheck(HTREEITEM item, bool ticked) const;
  UINT GetItemState(HTREEITEM item, UINT mask) const;
  HTREEITEM GetNextItem(HTREEITEM item, UINT code) const;
  HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
  HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
  UINT GetVisibleCount() const;
  bool GetItemRect(HTREEITEM item, RECT& rect, bool textOnly) const;
};

}  // namespace fw

// Window subclassing for controls that paint or handle messages themselves
// (SetWindowSubclass, comctl32). The subclass is removed when the window gets
// WM_NCDESTROY, or earlier by Remove() or the destructor (on the window's thread).
#pragma once

#include <windows.h>

namespace fw {

class SubclassHandler {
 public:
  virtual ~SubclassHandler() = default;
  // Return true when handled, with the message's value in `result`; false
  // passes the message on to the control's own procedure.
  virtual bool OnSubclassMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
};

class WindowSubclass {
 public:
  WindowSubclass() = default;
  ~WindowSubclass() { Remove(); }
  WindowSubclass(const WindowSubclass&) = delete;
  WindowSubclass& operator=(const WindowSubclass&) = delete;

  // False when the window is null, already subclassed by this object, or the call failed.
  bool Install(HWND hwnd, SubclassHandler& handler);
  void Remove();
  bool Installed() const { return hwnd_ != nullptr; }

  // The control's own handling of a message (for use inside OnSubclassMessage).
  static LRESULT CallDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR ref);

  HWND hwnd_ = nullptr;
  SubclassHandler* handler_ = nullptr;
};

}  // namespace fw

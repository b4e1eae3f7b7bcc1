#include "framework/Subclass.h"

#include <commctrl.h>

namespace fw {

bool WindowSubclass::Install(HWND hwnd, SubclassHandler& handler) {
  if (hwnd == nullptr || hwnd_ != nullptr) return false;
  handler_ = &handler;
  if (!::SetWindowSubclass(hwnd, Proc, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this))) {
    handler_ = nullptr;
    return false;
  }
  hwnd_ = hwnd;
  return true;
}

void WindowSubclass::Remove() {
  if (hwnd_ == nullptr) return;
  ::RemoveWindowSubclass(hwnd_, Proc, reinterpret_cast<UINT_PTR>(this));
  hwnd_ = nullptr;
  handler_ = nullptr;
}

LRESULT WindowSubclass::CallDefault(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK WindowSubclass::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR ref) {
  auto* self = reinterpret_cast<WindowSubclass*>(ref);
  if (message == WM_NCDESTROY) {
    self->Remove();
    return ::DefSubclassProc(hwnd, message, wParam, lParam);
  }
  if (self->handler_ != nullptr) {
    try {
      LRESULT result = 0;
      if (self->handler_->OnSubclassMessage(hwnd, message, wParam, lParam, result)) return result;
    } catch (...) {
      // Nothing may unwind into the system's code; the control handles it itself.
    }
  }
  return ::DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace fw

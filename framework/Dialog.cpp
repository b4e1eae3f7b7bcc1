#include "framework/Dialog.h"

namespace fw {

namespace {

// Messages whose value the dialog procedure returns itself instead of putting
// it into DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message) {
  switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON: return true;
    default: return false;
  }
}

}  // namespace

void DataExchange::Control(int id, CWnd& field) {
  HWND item = ::GetDlgItem(dialog_, id);
  if (item != nullptr) field.Attach(item);
}

CDialog::CDialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

CDialog::~CDialog() {
  // A modal dialog has ended (and its window is gone) before its object dies;
  // this only keeps a late message from reaching a dead object.
  if (Hwnd() != nullptr && ::IsWindow(Hwnd())) ::SetWindowLongPtrW(Hwnd(), DWLP_USER, 0);
}

INT_PTR CDialog::DoModal() {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId_), parent_, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(INT_PTR result) const { ::EndDialog(Hwnd(), result); }

int CDialog::MessageBox(const std::wstring& text, const std::wstring& caption, UINT type) const {
  return ::MessageBoxW(Hwnd(), text.c_str(), caption.c_str(), type);
}

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_INITDIALOG: result = OnInitDialog(); return true;
    case WM_COMMAND: return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER: OnTimer(wParam); return false;
    case WM_DESTROY: OnDestroy(); return false;
    default: return false;
  }
}

BOOL CDialog::OnInitDialog() {
  DataExchange dx(Hwnd());
  DoDataExchange(dx);
  return TRUE;
}

bool CDialog::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* self = reinterpret_cast<CDialog*>(lParam);
    ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->Attach(hwnd);
  }
  // Messages before WM_INITDIALOG (WM_SETFONT among them) find no object yet.
  auto* self = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  INT_PTR value = self->Dispatch(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->Detach();
  }
  return value;
}

INT_PTR CDialog::Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  bool handled = false;
  try {
    handled = OnMessage(message, wParam, lParam, result);
  } catch (...) {
    // Nothing may unwind into the system's dialog manager.
    handled = false;
  }
  if (!handled) return FALSE;
  if (ReturnsValueDirectly(message)) return static_cast<INT_PTR>(result);
  ::SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
  return TRUE;
}

}  // namespace fw

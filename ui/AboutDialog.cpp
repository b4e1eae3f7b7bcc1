#include "ui/AboutDialog.h"

namespace {

constexpr WORD kOk = 1012;
constexpr int kProductLine = 1018;
constexpr int kSupportMail = 1015;
constexpr int kSampleMail = 1016;
constexpr int kWebSite = 1017;
constexpr COLORREF kBlue = RGB(0, 0, 255);

const wchar_t kSupportAddress[] = L"support@example.com";
const wchar_t kSampleAddress[] = L"samples@example.com";
const wchar_t kWebAddress[] = L"http://www.example.com";

bool IsContactField(int id) { return id == kSupportMail || id == kSampleMail || id == kWebSite; }

HFONT FieldFont(LONG weight, BOOL underline) {
  return ::CreateFontW(12, 0, 0, 0, weight, FALSE, underline, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
}

}  // namespace

BOOL myabout::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  ::SetDlgItemTextW(Hwnd(), kSupportMail, kSupportAddress);
  ::SetDlgItemTextW(Hwnd(), kSampleMail, kSampleAddress);
  ::SetDlgItemTextW(Hwnd(), kWebSite, kWebAddress);
  return TRUE;
}

bool myabout::OnCommand(WORD id, WORD code, HWND control) {
  if (id == kOk && code == BN_CLICKED) {
    OnOK();
    return true;
  }
  return fw::CDialog::OnCommand(id, code, control);
}

bool myabout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT: OnPaint(); result = 0; return true;
    case WM_DESTROY: ReleaseLogo(); return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      result = OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      return true;
    default: return fw::CDialog::OnMessage(message, wParam, lParam, result);
  }
}

void myabout::OnPaint() {
  win::PaintDC paint(Hwnd());
  if (fonts_.contact) return;
  fonts_.contact.Reset(FieldFont(FW_NORMAL, TRUE));
  fonts_.product.Reset(FieldFont(FW_BOLD, FALSE));
  for (int id : {kSupportMail, kSampleMail, kWebSite}) {
    ::SendDlgItemMessageW(Hwnd(), id, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.contact.Get()), TRUE);
  }
  ::SendDlgItemMessageW(Hwnd(), kProductLine, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.product.Get()), TRUE);
}

// The logo's static loaded bitmap 146 from the template; not every static
// control frees what it loaded (Wine's keeps it, and a copy), so the dialog
// takes the picture back and deletes it, which is right wherever it runs.
void myabout::ReleaseLogo() {
  for (HWND child = ::GetWindow(Hwnd(), GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
    win::UniqueBitmap shown(reinterpret_cast<HBITMAP>(
        ::SendMessageW(child, STM_SETIMAGE, IMAGE_BITMAP, 0)));
  }
}

LRESULT myabout::OnCtlColor(UINT message, HDC dc, HWND control) {
  // The system's colours and brush for the control, then blue text for the fields.
  const LRESULT brush = ::DefWindowProcW(Hwnd(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  if (IsContactField(::GetDlgCtrlID(control))) ::SetTextColor(dc, kBlue);
  return brush;
}

#include "ui/AboutDialog.h"

#include <utility>

#include "framework/Placement.h"
#include "ui/Art.h"
#include "ui/Texts.h"

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr int kFieldCellHeightAt96Dpi = 12;

const wchar_t kSupportAddress[] = L"support@example.com";
const wchar_t kSampleAddress[] = L"samples@example.com";
const wchar_t kWebAddress[] = L"http://www.example.com";

bool IsContactField(int id) { return id == IDC_SUPPORT_MAIL || id == IDC_SAMPLE_MAIL || id == IDC_WEB_SITE; }

HFONT FieldFont(UINT dpi, LONG weight, BOOL underline) {
  return ::CreateFontW(fw::ScaleForDpi(kFieldCellHeightAt96Dpi, dpi), 0, 0, 0, weight, FALSE, underline, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, purlo::texts::kAboutFieldFont);
}

// The dialog's one bitmap static: the logo (IDB_ABOUT in the template).
HWND LogoStatic(HWND dialog) {
  for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP) return child;
  }
  return nullptr;
}

}  // namespace

BOOL myabout::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  fw::CenterOverOwner(Hwnd());
  ui::FitStaticPicture(LogoStatic(Hwnd()), ui::kAboutLogoArt);
  ::SetDlgItemTextW(Hwnd(), IDC_SUPPORT_MAIL, kSupportAddress);
  ::SetDlgItemTextW(Hwnd(), IDC_SAMPLE_MAIL, kSampleAddress);
  ::SetDlgItemTextW(Hwnd(), IDC_WEB_SITE, kWebAddress);
  return TRUE;
}

bool myabout::OnCommand(WORD id, WORD code, HWND control) {
  if (id == IDC_ABOUT_OK && code == BN_CLICKED) {
    OnOK();
    return true;
  }
  return fw::CDialog::OnCommand(id, code, control);
}

bool myabout::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_PAINT: OnPaint(); result = 0; return true;
    case WM_DESTROY: ui::ReleaseStaticPicture(LogoStatic(Hwnd())); return false;
    case WM_DPICHANGED: OnDpiChanged(lParam); result = 0; return true;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
      result = OnCtlColor(message, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
      return true;
    default: return fw::CDialog::OnMessage(message, wParam, lParam, result);
  }
}

void myabout::OnPaint() {
  win::PaintDC paint(Hwnd());
  if (!fonts_.contact) MakeFieldFonts();
}

// The cell height is 12 pixels at 96 DPI, and grows with the window's DPI.
// Fonts made before are released only once the fields hold the new ones.
void myabout::MakeFieldFonts() {
  const UINT dpi = fw::WindowDpi(Hwnd());
  FieldFonts fonts;
  fonts.contact.Reset(FieldFont(dpi, FW_NORMAL, TRUE));
  fonts.product.Reset(FieldFont(dpi, FW_BOLD, FALSE));
  for (int id : {IDC_SUPPORT_MAIL, IDC_SAMPLE_MAIL, IDC_WEB_SITE}) {
    ::SendDlgItemMessageW(Hwnd(), id, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.contact.Get()), TRUE);
  }
  ::SendDlgItemMessageW(Hwnd(), IDC_PRODUCT_LINE, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.product.Get()), TRUE);
  std::swap(fonts_, fonts);
}

void myabout::OnDpiChanged(LPARAM suggested) {
  fw::TakeSuggestedRect(Hwnd(), suggested);
  if (fonts_.contact) MakeFieldFonts();
  ui::FitStaticPicture(LogoStatic(Hwnd()), ui::kAboutLogoArt);
}

LRESULT myabout::OnCtlColor(UINT message, HDC dc, HWND control) {
  // The system's colours and brush for the control, then blue text for the fields.
  const LRESULT brush = ::DefWindowProcW(Hwnd(), message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
  if (IsContactField(::GetDlgCtrlID(control))) ::SetTextColor(dc, kBlue);
  return brush;
}

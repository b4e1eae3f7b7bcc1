#include "ui/CPurloDlg.h"

#include "engine/core/UserLookups.h"
#include "framework/Placement.h"
#include "res/resource.h"
#include "ui/Art.h"
#include "ui/CategoryItems.h"
#include "ui/DutyAssert.h"
#include "ui/SelectionCommands.h"
#include "ui/Texts.h"
#include "ui/UpdateCheck.h"

namespace ui {

using purlo::JunkCategory;
namespace texts = purlo::texts;

namespace {

const UINT_PTR kBannerTimer = 2;
const UINT kBannerDelay = 1667;
const UINT_PTR kCloseTimer = 4;
const UINT kClosePeriod = 200;

}  // namespace

CPurloDlg::CPurloDlg()
    : fw::CDialog(IDD_PURLO_DIALOG),
      icon_(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      session_(tree_, startScan_, sweepNow_, status_) {}

CPurloDlg::~CPurloDlg() = default;

void CPurloDlg::DoDataExchange(fw::DataExchange& dx) {
  dx.Control(IDC_CATEGORY_TREE, tree_);
  dx.Control(IDC_SELECT_ALL, selectAll_);
  dx.Control(IDC_RECOMMENDED, recommended_);
  dx.Control(IDC_START_SCAN, startScan_);
  dx.Control(IDC_STATUS, status_);
  dx.Control(IDC_SWEEP_NOW, sweepNow_);
  dx.Control(IDC_BANNER_ANIMATION, bannerAnimation_);
}

BOOL CPurloDlg::OnInitDialog() {
  fw::CDialog::OnInitDialog();
  SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  // Before the notice, which opens on the same monitor, while still hidden;
  // before the banners, which pick their art by the size of their frames.
  windowDpi_ = layoutDpi_ = fw::WindowDpi(Hwnd());
  FitIntoWorkArea(fw::WorkAreaAtPointer());
  fw::CenterOnPointerMonitor(Hwnd());
  // Giving up ends the process from inside the notice; its result is not looked at.
  CDutyAssert notice(Hwnd());
  notice.DoModal();
  purlo::StartUpdateCheck(Hwnd());
  tree_.ModifyStyle(0, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_CHECKBOXES | TVS_TRACKSELECT);
  ::ShowWindow(GetDlgItem(IDC_BANNER_STILL), SW_HIDE);
  StartBanner();
  ::SetTimer(Hwnd(), kBannerTimer, kBannerDelay, nullptr);
  InsertCategoryItems();
  tree_.SetLabelColor(ItemOf(JunkCategory::DownloadedPrograms), RGB(255, 0, 0));
  // Items inserted before the check boxes existed get theirs only when the style is set anew.
  tree_.ModifyStyle(TVS_CHECKBOXES, 0);
  tree_.ModifyStyle(0, TVS_CHECKBOXES);
  TickRecommended();
  recommended_.SetCheck(BST_CHECKED);
  ChooseUser();
  return TRUE;
}

// The session's user; without one, the user's categories clean nothing.
void CPurloDlg::ChooseUser() {
  purlo::WindowsAccounts accounts;
  const purlo::SessionChoice session = purlo::ChooseSessionUser(accounts);
  auto lookups = session.found
                     ? std::make_unique<purlo::UserLookups>(session.user, purlo::RunPart::Whole, session.runningAccount)
                     : std::make_unique<purlo::UserLookups>();
  const std::wstring note =
      session.found && !session.runningAccount ? purlo::CleansForNote(session.user.name) : std::wstring();
  status_.SetWindowText(std::wstring(texts::kWelcome) + note);
  session_.Attach(Hwnd(), std::move(lookups), note);
}

// Both banners keep the frame the template gives them, which grows with the
// DPI, and show the art drawn nearest to its size.
void CPurloDlg::StartBanner() {
  FitStaticPicture(GetDlgItem(IDC_BANNER_STILL), kStillBannerArt);
  bannerAnimation_.FitToWindow(true);
  const int frameWidth = bannerAnimation_.GetClientRect().right;
  if (bannerAnimation_.LoadFromResource(NearestVariant(kBannerAnimationArt, frameWidth))) bannerAnimation_.Play();
}

// Too big for the monitor's work area at its DPI (a 1280 x 1024 screen at
// 200%): laid out at the largest lower step that fits, the fonts with it; the
// banners then take the art of that size.
void CPurloDlg::FitIntoWorkArea(const RECT& work) {
  const UINT fitting = fw::LargestFittingDpi(Hwnd(), work, layoutDpi_);
  if (fitting == layoutDpi_) return;
  win::UniqueFont font = fw::ScaledFont(GetFont(), layoutDpi_, fitting);
  fw::ScaleDialogLayout(Hwnd(), layoutDpi_, fitting, font.Get());
  fittedFont_ = std::move(font);  // the old one only now that no control uses it
  layoutDpi_ = fitting;
}

// Another monitor's DPI: the system suggests the window's new place and size
// (and scales the dialog's controls and fonts by the ratio of the two DPIs);
// where that is too big for the new monitor it is laid out smaller, and it
// stays on that monitor. The still banner is drawn anew for its new frame,
// the animation stretches to its own.
void CPurloDlg::OnDpiChanged(UINT newDpi, LPARAM suggested) {
  fw::TakeSuggestedRect(Hwnd(), suggested);
  if (newDpi != 0 && windowDpi_ != 0) layoutDpi_ = ::MulDiv(layoutDpi_, newDpi, windowDpi_);
  if (newDpi != 0) windowDpi_ = newDpi;
  const RECT work = fw::WorkAreaOf(Hwnd());
  FitIntoWorkArea(work);
  fw::KeepInside(Hwnd(), work);
  FitStaticPicture(GetDlgItem(IDC_BANNER_STILL), kStillBannerArt);
  ::InvalidateRect(Hwnd(), nullptr, TRUE);
}

void CPurloDlg::InsertCategoryItems() {
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
    CategoryItems[static_cast<int>(info.id)] = tree_.InsertItem(info.startupLabel);
  }
}

void CPurloDlg::TickRecommended() {
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
    if (info.recommended) tree_.SetCheck(ItemOf(info.id), true);
  }
}

bool CPurloDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_QUERYDRAGICON: result = reinterpret_cast<LRESULT>(icon_); return true;
    case WM_DPICHANGED: OnDpiChanged(LOWORD(wParam), lParam); result = 0; return true;
    default:
      if (session_.OnPosted(message, lParam)) return true;
      if (message == purlo::UpdateAvailableMessage()) {
        upgrade_.OnUpdateAvailable(Hwnd());
        return true;
      }
      return fw::CDialog::OnMessage(message, wParam, lParam, result);
  }
}

bool CPurloDlg::OnCommand(WORD id, WORD code, HWND control) {
  if (code == BN_CLICKED) {
    switch (id) {
      case IDC_SELECT_ALL: SelectAll(tree_); return true;
      case IDC_INVERT: InvertSelection(tree_); return true;
      case IDC_START_SCAN: session_.OnStartScan(); return true;
      case IDC_SWEEP_NOW: session_.OnSweepNow(); return true;
      case IDC_RECOMMENDED: SelectRecommended(tree_); return true;
      case IDC_ABOUT: upgrade_.OnAbout(Hwnd()); return true;
      default: break;
    }
  }
  return fw::CDialog::OnCommand(id, code, control);
}

// Esc and the close box. A clean-up handler in the middle of its purge is
// asked to stop at its next step and waited for, the window still up and
// saying so: a purge cut short can damage the store it cleans.
void CPurloDlg::OnCancel() {
  BeginShutdown();
  if (!session_.AnyHandlerPurging()) {
    EndDialog(IDCANCEL);
    return;
  }
  session_.ShowWaitingForHandler();
  ::SetTimer(Hwnd(), kCloseTimer, kClosePeriod, nullptr);
}

void CPurloDlg::OnTimer(UINT_PTR id) {
  if (id == kBannerTimer) {
    ::ShowWindow(GetDlgItem(IDC_BANNER_STILL), SW_SHOW);
    bannerAnimation_.ShowWindow(SW_HIDE);
    ::KillTimer(Hwnd(), kBannerTimer);
  } else if (id == RunSession::kPathTimer) {
    session_.OnPathTimer();
  } else if (id == kCloseTimer) {
    if (session_.AnyHandlerPurging()) return;
    ::KillTimer(Hwnd(), kCloseTimer);
    EndDialog(IDCANCEL);
  } else if (id == purlo::UpgradeHint::kFlashTimer) {
    upgrade_.OnFlashTimer(Hwnd());
  }
}

void CPurloDlg::OnDestroy() {
  ReleaseStaticPicture(GetDlgItem(IDC_BANNER_STILL));
  purlo::DetachUpdateTarget(Hwnd());
  session_.Detach();
}

}  // namespace ui

#include "ui/CPurloDlg.h"

#include "engine/core/CleanupHandlers.h"
#include "engine/core/CompletionMonitor.h"
#include "engine/core/RunState.h"
#include "engine/scan/ScanController.h"
#include "engine/sweep/SweepController.h"
#include "framework/Placement.h"
#include "res/resource.h"
#include "ui/Art.h"
#include "ui/CategoryItems.h"
#include "ui/DutyAssert.h"
#include "ui/PathFit.h"
#include "ui/SelectionCommands.h"
#include "ui/UpdateCheck.h"

namespace ui {

using purlo::Button;
using purlo::Caption;
using purlo::JunkCategory;
namespace texts = purlo::texts;

namespace {

const UINT_PTR kBannerTimer = 2;
const UINT kBannerDelay = 1667;
const UINT_PTR kPathTimer = 3;
const UINT kPathPeriod = 50;
const UINT_PTR kCloseTimer = 4;
const UINT kClosePeriod = 200;

}  // namespace

CPurloDlg::CPurloDlg()
    : fw::CDialog(IDD_PURLO_DIALOG),
      icon_(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      view_(*this) {}

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
  purlo::WindowsMajorVersion = purlo::MajorVersionFromGetVersion();
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
  status_.SetWindowText(std::wstring(texts::kWelcome) + userNote_);
  view_.AttachWindow(Hwnd());
  purlo::InitRunState();
  return TRUE;
}

void CPurloDlg::ChooseUser() {
  purlo::WindowsAccounts accounts;
  const purlo::SessionChoice session = purlo::ChooseSessionUser(accounts);
  lookups_ = session.found
                 ? std::make_unique<purlo::UserLookups>(session.user, purlo::RunPart::Whole, session.runningAccount)
                 : std::make_unique<purlo::UserLookups>();
  userNote_ = session.note;
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
      if (view_.OnPosted(message, lParam)) return true;
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
      case IDC_START_SCAN: OnStartScan(); return true;
      case IDC_SWEEP_NOW: OnSweepNow(); return true;
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
  if (!purlo::AnyHandlerPurging()) {
    EndDialog(IDCANCEL);
    return;
  }
  ::KillTimer(Hwnd(), kPathTimer);
  status_.SetWindowText(texts::kWaitingForHandler);
  DisableButton(startScan_);
  DisableButton(sweepNow_);
  ::SetTimer(Hwnd(), kCloseTimer, kClosePeriod, nullptr);
}

void CPurloDlg::OnTimer(UINT_PTR id) {
  if (id == kBannerTimer) {
    ::ShowWindow(GetDlgItem(IDC_BANNER_STILL), SW_SHOW);
    bannerAnimation_.ShowWindow(SW_HIDE);
    ::KillTimer(Hwnd(), kBannerTimer);
  } else if (id == kPathTimer) {
    ShowLatestPath();
  } else if (id == kCloseTimer) {
    if (purlo::AnyHandlerPurging()) return;
    ::KillTimer(Hwnd(), kCloseTimer);
    EndDialog(IDCANCEL);
  } else if (id == purlo::UpgradeHint::kFlashTimer) {
    upgrade_.OnFlashTimer(Hwnd());
  }
}

void CPurloDlg::OnDestroy() {
  ReleaseStaticPicture(GetDlgItem(IDC_BANNER_STILL));
  purlo::DetachUpdateTarget(Hwnd());
  BeginShutdown();
  view_.AttachWindow(nullptr);
}

void CPurloDlg::BeginShutdown() {
  if (!view_.BeginClosing()) return;
  purlo::ShutdownRequested = 1;
  purlo::StopRequested = 1;
  purlo::RunGate.Open();
}

// ---- Start-scan (IDC_START_SCAN) ----

void CPurloDlg::OnStartScan() {
  // Enter reaches the default button even when a run has disabled it.
  if (!startScan_.IsWindowEnabled()) return;
  const Caption shown = captions_[Slot(Button::StartScan)];
  ResetDownloadedProgramsColor();
  if (NothingTicked()) {
    MessageBox(texts::kTickToScan, texts::kPrompt, MB_OK | MB_ICONHAND);
    return;
  }
  switch (shown) {
    case Caption::StartScan:
    case Caption::Rescan: StartScanRun(); break;
    case Caption::Pause:
      // The second click of a double click that started the scan is not a pause.
      if (WithinDoubleClickOfScanStart()) return;
      ShowCaption(Button::StartScan, Caption::Continue);
      Pause();
      break;
    case Caption::Continue:
      ShowCaption(Button::StartScan, Caption::Pause);
      Continue();
      break;
    default: break;
  }
}

void CPurloDlg::StartScanRun() {
  if (purlo::WorkerList == nullptr) {
    MessageBox(texts::kScanFailed, texts::kAppTitle, MB_OK);
    return;
  }
  if (runActive_) return;
  if (!runLock_.Take()) {
    SayAnotherRunHoldsTheLock(texts::kScanFailed);
    return;
  }
  runActive_ = true;
  sweeping_ = false;
  scanStartedAt_ = static_cast<DWORD>(::GetMessageTime());
  enableAtEnd_[0] = enableAtEnd_[1] = false;
  purlo::RunGate.Open();
  StartPathTimer();
  const purlo::StartResult started = purlo::StartScan(view_, Ticked(), *lookups_);
  if (started == purlo::StartResult::TempPathFailed) {
    EndRunHere();  // nothing was started
  } else if (started == purlo::StartResult::ThreadFailed) {
    // The workers already started are a run of their own: let a monitor end it.
    if (!purlo::StartCompletionMonitor(view_)) EndRunHere();
  }
}

// The failure text as ever, and below it why: retrying at once would meet the
// same lock.
void CPurloDlg::SayAnotherRunHoldsTheLock(const wchar_t* failure) {
  MessageBox(std::wstring(failure) + L"\n" + texts::kAnotherRunHoldsTheLock, texts::kAppTitle, MB_OK);
}

// Measured between the two clicks as the user made them (their input times),
// not as late as a busy window handles them.
bool CPurloDlg::WithinDoubleClickOfScanStart() const {
  return static_cast<DWORD>(::GetMessageTime()) - scanStartedAt_ < ::GetDoubleClickTime();
}

void CPurloDlg::Pause() {
  purlo::RunGate.Close();
  view_.HoldUpdates();
}

void CPurloDlg::Continue() {
  purlo::RunGate.Open();
  view_.ReleaseUpdates();
}

// ---- Sweep-now (IDC_SWEEP_NOW) ----

void CPurloDlg::OnSweepNow() {
  if (!sweepNow_.IsWindowEnabled()) return;
  const Caption shown = captions_[Slot(Button::SweepNow)];
  ResetDownloadedProgramsColor();
  if (shown == Caption::CancelScan) CancelScanFlow();
  if (NothingTicked()) {
    MessageBox(texts::kTickToSweep, texts::kPrompt, MB_OK | MB_ICONHAND);
    return;
  }
  if (shown != Caption::SweepNow) return;
  if (!IrreversibleAgreed()) return;
  StartSweepRun();
}

// Asked once per sweep, only when a ticked category's clean-up cannot be undone.
bool CPurloDlg::IrreversibleAgreed() {
  bool any = false;
  for (JunkCategory category : Ticked()) any = any || purlo::Info(category).irreversible;
  return !any || MessageBox(texts::kIrreversibleQuestion, texts::kPrompt, MB_YESNO | MB_ICONWARNING) == IDYES;
}

// The scan's walkers wait at the closed gate while the question is on screen.
// No puts back what was before: a paused scan stays paused.
void CPurloDlg::CancelScanFlow() {
  const bool wasPaused = !purlo::RunGate.IsOpen();
  purlo::RunGate.Close();
  view_.HoldUpdates();
  const int answer = MessageBox(texts::kCancelScanQuestion, texts::kPrompt, MB_YESNO);
  if (view_.Closing()) return;
  if (answer != IDYES) {
    if (!wasPaused) Continue();
    return;
  }
  purlo::StopRequested = 1;
  purlo::RunGate.Open();
  view_.ReleaseUpdates();
  ShowCaption(Button::StartScan, Caption::Rescan);
  ShowCaption(Button::SweepNow, Caption::SweepNow);
  if (runActive_) {
    // Until the cancelled scan's monitor has ended it, nothing may start.
    DisableButton(startScan_);
    DisableButton(sweepNow_);
  }
}

void CPurloDlg::StartSweepRun() {
  if (purlo::WorkerList == nullptr) {
    MessageBox(texts::kSweepFailed, texts::kAppTitle, MB_OK);
    return;
  }
  if (runActive_) return;
  if (!runLock_.Take()) {
    SayAnotherRunHoldsTheLock(texts::kSweepFailed);
    return;
  }
  runActive_ = true;
  sweeping_ = true;
  enableAtEnd_[0] = enableAtEnd_[1] = false;
  purlo::RunGate.Open();
  DisableButton(startScan_);
  StartPathTimer();
  const purlo::StartResult started = purlo::StartSweep(view_, Ticked(), *lookups_);
  if (started == purlo::StartResult::TempPathFailed) {
    EndRunHere();
    startScan_.EnableWindow(true);
  } else if (started == purlo::StartResult::ThreadFailed) {
    if (!purlo::StartCompletionMonitor(view_)) {
      EndRunHere();
      startScan_.EnableWindow(true);
    }
  }
}

// ---- Shared by both buttons ----

void CPurloDlg::ResetDownloadedProgramsColor() {
  HTREEITEM item = ItemOf(JunkCategory::DownloadedPrograms);
  tree_.SetLabelColor(item, RGB(0, 0, 0));
  RECT rect{};
  if (tree_.GetItemRect(item, rect, false)) ::InvalidateRect(tree_.Hwnd(), &rect, FALSE);
}

// A button disabled while it has the focus would take the keyboard with it:
// no control would hold the focus, and Esc and Enter would reach nothing.
// The focus goes to the tree first, or to About when the tree is disabled.
void CPurloDlg::DisableButton(const fw::CButton& button) {
  if (::GetFocus() == button.Hwnd()) {
    HWND next = tree_.IsWindowEnabled() ? tree_.Hwnd() : GetDlgItem(IDC_ABOUT);
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
  }
  button.EnableWindow(false);
}

bool CPurloDlg::NothingTicked() const { return Ticked().empty(); }

std::vector<JunkCategory> CPurloDlg::Ticked() const {
  std::vector<JunkCategory> ticked;
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
    if (tree_.GetCheck(ItemOf(info.id))) ticked.push_back(info.id);
  }
  return ticked;
}

// ---- The engines' operations, on the UI thread ----

// A button that a worker or the monitor enables while the run is alive opens
// up only when the run has ended, so that no click can meet a run that is
// still finishing.
void CPurloDlg::ApplyFromRun(const ViewOp& op) {
  if (op.kind == ViewOp::ButtonEnable && op.flag && runActive_) {
    enableAtEnd_[Slot(op.button)] = true;
    return;
  }
  Apply(op);
}

int CPurloDlg::Ask(const std::wstring& text, const std::wstring& caption, UINT type) {
  return MessageBox(text, caption, type);
}

fw::CButton& CPurloDlg::ButtonFor(Button button) { return button == Button::StartScan ? startScan_ : sweepNow_; }

int CPurloDlg::Slot(Button button) { return button == Button::StartScan ? 0 : 1; }

void CPurloDlg::ShowCaption(Button button, Caption caption) {
  captions_[Slot(button)] = caption;
  ButtonFor(button).SetWindowText(purlo::CaptionText(caption));
}

void CPurloDlg::Apply(const ViewOp& op) {
  switch (op.kind) {
    case ViewOp::Label: tree_.SetItemText(ItemOf(op.item), op.text); break;
    case ViewOp::Status:
      // Only the monitor and the controllers write the status line: whatever
      // path a walker left behind is older than this text.
      view_.ForgetLatestPath();
      status_.SetWindowText(op.text);
      lastStatus_ = op.text;
      break;
    case ViewOp::ButtonText: ShowCaption(op.button, op.caption); break;
    case ViewOp::ButtonEnable:
      if (op.flag) {
        ButtonFor(op.button).EnableWindow(true);
      } else {
        enableAtEnd_[Slot(op.button)] = false;
        DisableButton(ButtonFor(op.button));
      }
      break;
    case ViewOp::Finished:
      ::KillTimer(Hwnd(), kPathTimer);
      view_.ForgetLatestPath();
      EndRunHere();
      // A scan's summary names whom it was for, as the welcome line did.
      if (!sweeping_ && !userNote_.empty()) status_.SetWindowText(lastStatus_ + userNote_);
      if (enableAtEnd_[0]) startScan_.EnableWindow(true);
      if (enableAtEnd_[1]) sweepNow_.EnableWindow(true);
      enableAtEnd_[0] = enableAtEnd_[1] = false;
      break;
  }
}

// On the UI thread, which took the lock.
void CPurloDlg::EndRunHere() {
  runActive_ = false;
  runLock_.Release();
}

void CPurloDlg::ShowLatestPath() {
  if (view_.Holding() || view_.Closing()) return;
  std::wstring path;
  if (!view_.TakeLatestPath(path)) return;
  const wchar_t* prefix = sweeping_ ? texts::kSweepingPrefix : texts::kScanningPrefix;
  status_.SetWindowText(FitPathToEdit(status_.Hwnd(), prefix, path));
}

void CPurloDlg::StartPathTimer() {
  view_.ForgetLatestPath();
  ::SetTimer(Hwnd(), kPathTimer, kPathPeriod, nullptr);
}

}  // namespace ui

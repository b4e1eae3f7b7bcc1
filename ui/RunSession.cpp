#include "ui/RunSession.h"

#include <utility>

#include "engine/core/Catalogue.h"
#include "ui/Texts.h"
#include "engine/scan/ScanController.h"
#include "engine/sweep/SweepController.h"
#include "res/resource.h"
#include "ui/CategoryItems.h"
#include "ui/PathFit.h"

namespace ui {

using purlo::Caption;
using purlo::JunkCategory;
using purlo::RunKind;
namespace texts = purlo::texts;

namespace {

const UINT kPathPeriod = 50;

}  // namespace

RunSession::RunSession(CTreeCtrlEx& tree, fw::CButton& startScan, fw::CButton& sweepNow, fw::CEdit& status)
    : tree_(tree), startScan_(startScan), sweepNow_(sweepNow), status_(status), view_(*this) {}

RunSession::~RunSession() = default;

void RunSession::Attach(HWND dialog, std::unique_ptr<purlo::SystemLookups> lookups, std::wstring userNote) {
  dialog_ = dialog;
  userNote_ = std::move(userNote);
  run_.CleanFor(std::move(lookups));
  view_.AttachWindow(dialog);
}

void RunSession::Detach() {
  BeginShutdown();
  view_.AttachWindow(nullptr);
}

void RunSession::BeginShutdown() {
  if (!view_.BeginClosing()) return;
  run_.Shutdown();
}

int RunSession::Say(const std::wstring& text, const std::wstring& caption, UINT type) const {
  return ::MessageBoxW(dialog_, text.c_str(), caption.c_str(), type);
}

// ---- Start-scan (IDC_START_SCAN) ----

void RunSession::OnStartScan() {
  // Enter reaches the default button even when a run has disabled it.
  if (!startScan_.IsWindowEnabled()) return;
  const Caption shown = buttons_.Of(RunButton::StartScan).caption;
  ResetDownloadedProgramsColor();
  if (Ticked().empty()) {
    Say(texts::kTickToScan, texts::kPrompt, MB_OK | MB_ICONHAND);
    return;
  }
  switch (shown) {
    case Caption::StartScan:
    case Caption::Rescan: StartScanRun(); break;
    case Caption::Pause:
      // The second click of a double click that started the scan is not a pause.
      if (WithinDoubleClickOfScanStart()) return;
      buttons_.Paused();
      ShowButtons();
      Pause();
      break;
    case Caption::Continue:
      buttons_.Continued();
      ShowButtons();
      Continue();
      break;
    default: break;
  }
}

void RunSession::StartScanRun() {
  if (!BeginRun(texts::kScanFailed)) return;
  sweeping_ = false;
  scanStartedAt_ = static_cast<DWORD>(::GetMessageTime());
  buttons_.ScanBegins();
  StartPathTimer();
  AfterStart(purlo::StartRun(run_, view_, Ticked(), purlo::ScanWorkers()));
}

// Without the run's state the failure text says it; while a run is alive
// nothing begins. When another run holds the lock: the failure text as ever,
// and below it why, since retrying at once would meet the same lock.
bool RunSession::BeginRun(const wchar_t* failure) {
  if (!run_.Ready()) {
    Say(failure, texts::kAppTitle, MB_OK);
    return false;
  }
  if (buttons_.RunAlive()) return false;
  if (run_.TakeLock()) return true;
  Say(std::wstring(failure) + L"\n" + texts::kAnotherRunHoldsTheLock, texts::kAppTitle, MB_OK);
  return false;
}

void RunSession::AfterStart(purlo::RunStart started) {
  if (started == purlo::RunStart::FailedEndHere) EndRunHere();
}

// On the UI thread, which took the lock.
void RunSession::EndRunHere() {
  buttons_.EndedHere();
  run_.ReleaseLock();
  ShowButtons();
}

// Measured between the two clicks as the user made them (their input times),
// not as late as a busy window handles them.
bool RunSession::WithinDoubleClickOfScanStart() const {
  return static_cast<DWORD>(::GetMessageTime()) - scanStartedAt_ < ::GetDoubleClickTime();
}

void RunSession::Pause() {
  run_.RunGate.Close();
  view_.HoldUpdates();
}

void RunSession::Continue() {
  run_.RunGate.Open();
  view_.ReleaseUpdates();
}

// ---- Sweep-now (IDC_SWEEP_NOW) ----

void RunSession::OnSweepNow() {
  if (!sweepNow_.IsWindowEnabled()) return;
  const Caption shown = buttons_.Of(RunButton::SweepNow).caption;
  ResetDownloadedProgramsColor();
  if (shown == Caption::CancelScan) CancelScanFlow();
  if (Ticked().empty()) {
    Say(texts::kTickToSweep, texts::kPrompt, MB_OK | MB_ICONHAND);
    return;
  }
  if (shown != Caption::SweepNow) return;
  if (!IrreversibleAgreed()) return;
  StartSweepRun();
}

// Asked once per sweep, only when a ticked category's clean-up cannot be undone.
bool RunSession::IrreversibleAgreed() {
  bool any = false;
  for (purlo::JunkCategory category : Ticked()) any = any || purlo::Info(category).irreversible;
  return !any || Say(texts::kIrreversibleQuestion, texts::kPrompt, MB_YESNO | MB_ICONWARNING) == IDYES;
}

void RunSession::ShowWaitingForHandler() {
  StopPathTimer();
  SetStatus(texts::kWaitingForHandler);
  DisableButton(startScan_);
  DisableButton(sweepNow_);
}

// The scan's walkers wait at the closed gate while the question is on screen.
// No puts back what was before: a paused scan stays paused.
void RunSession::CancelScanFlow() {
  const bool wasPaused = !run_.RunGate.IsOpen();
  run_.RunGate.Close();
  view_.HoldUpdates();
  const int answer = Say(texts::kCancelScanQuestion, texts::kPrompt, MB_YESNO);
  if (view_.Closing()) return;
  if (answer != IDYES) {
    if (!wasPaused) Continue();
    return;
  }
  run_.StopRequested = 1;
  run_.RunGate.Open();
  view_.ReleaseUpdates();
  buttons_.ScanCancelled();
  ShowButtons();
}

void RunSession::StartSweepRun() {
  if (!BeginRun(texts::kSweepFailed)) return;
  sweeping_ = true;
  buttons_.SweepBegins();
  ShowButtons();
  StartPathTimer();
  AfterStart(purlo::StartRun(run_, view_, Ticked(), purlo::SweepWorkers()));
}

// ---- Shared by both buttons ----

void RunSession::ResetDownloadedProgramsColor() {
  HTREEITEM item = ItemOf(JunkCategory::DownloadedPrograms);
  tree_.SetLabelColor(item, RGB(0, 0, 0));
  RECT rect{};
  if (tree_.GetItemRect(item, rect, false)) ::InvalidateRect(tree_.Hwnd(), &rect, FALSE);
}

std::vector<JunkCategory> RunSession::Ticked() const {
  std::vector<JunkCategory> ticked;
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
    if (tree_.GetCheck(ItemOf(info.id))) ticked.push_back(info.id);
  }
  return ticked;
}

void RunSession::ShowButtons() {
  for (RunButton which : {RunButton::StartScan, RunButton::SweepNow}) {
    const RunButtons::Face& face = buttons_.Of(which);
    fw::CButton& button = ButtonFor(which);
    Caption& shown = shown_[which == RunButton::StartScan ? 0 : 1];
    if (shown != face.caption) {
      shown = face.caption;
      button.SetWindowText(purlo::CaptionText(face.caption));
    }
    if (face.enabled == button.IsWindowEnabled()) continue;
    if (face.enabled) {
      button.EnableWindow(true);
    } else {
      DisableButton(button);
    }
  }
}

// A button disabled while it has the focus would take the keyboard with it:
// no control would hold the focus, and Esc and Enter would reach nothing.
// The focus goes to the tree first, or to About when the tree is disabled.
void RunSession::DisableButton(const fw::CButton& button) {
  if (::GetFocus() == button.Hwnd()) {
    HWND next = tree_.IsWindowEnabled() ? tree_.Hwnd() : ::GetDlgItem(dialog_, IDC_ABOUT);
    ::SendMessageW(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
  }
  button.EnableWindow(false);
}

// ---- The run's events, on the UI thread ----

void RunSession::Apply(const ViewOp& op) {
  switch (op.kind) {
    case ViewOp::RunStarted:
      // A scan starts from bare labels; a sweep writes over the scan's.
      if (op.run == RunKind::Scan) {
        for (const purlo::CategoryInfo& info : purlo::Catalogue()) tree_.SetItemText(ItemOf(info.id), info.bareLabel);
      }
      buttons_.RunStarted(op.run);
      break;
    case ViewOp::CategoryStarted: buttons_.CategoryStarted(); break;
    case ViewOp::CategoryFinished:
      tree_.SetItemText(ItemOf(op.item), op.label);
      buttons_.CategoryFinished(op.enablesSweepNow);
      break;
    case ViewOp::RunEnded: ShowRunEnd(op.end); return;
  }
  ShowButtons();
}

// A scan's summary goes into the status line, naming whom it was for as the
// welcome line did; a sweep's is shown in a message box, after which the run
// is over.
void RunSession::ShowRunEnd(const purlo::RunEnd& end) {
  const bool scan = end.kind == RunKind::Scan;
  buttons_.RunEnding(end);
  SetStatus(scan ? end.summary : std::wstring());
  ShowButtons();
  if (!scan) Say(end.summary, texts::kSweepDone, MB_OK);
  StopPathTimer();
  run_.ReleaseLock();
  buttons_.RunOver();
  if (scan && !userNote_.empty()) status_.SetWindowText(end.summary + userNote_);
  ShowButtons();
}

// Whatever path a walker left behind is older than this text.
void RunSession::SetStatus(const std::wstring& text) {
  view_.ForgetLatestPath();
  status_.SetWindowText(text);
}

void RunSession::OnPathTimer() {
  if (view_.Holding() || view_.Closing()) return;
  std::wstring path;
  if (!view_.TakeLatestPath(path)) return;
  const wchar_t* prefix = sweeping_ ? texts::kSweepingPrefix : texts::kScanningPrefix;
  status_.SetWindowText(FitPathToEdit(status_.Hwnd(), prefix, path));
}

void RunSession::StartPathTimer() {
  view_.ForgetLatestPath();
  ::SetTimer(dialog_, kPathTimer, kPathPeriod, nullptr);
}

void RunSession::StopPathTimer() {
  ::KillTimer(dialog_, kPathTimer);
  view_.ForgetLatestPath();
}

}  // namespace ui

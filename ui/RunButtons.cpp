#include "ui/RunButtons.h"

namespace ui {

using purlo::Caption;
using purlo::RunKind;

RunButtons::RunButtons()
    : faces_{{Caption::StartScan, true}, {Caption::SweepNow, false}} {}

void RunButtons::Open(RunButton button) {
  if (alive_) {
    openAtEnd_[Slot(button)] = true;
  } else {
    faces_[Slot(button)].enabled = true;
  }
}

void RunButtons::Close(RunButton button) {
  openAtEnd_[Slot(button)] = false;
  faces_[Slot(button)].enabled = false;
}

void RunButtons::ScanBegins() {
  alive_ = true;
  kind_ = RunKind::Scan;
  openAtEnd_[0] = openAtEnd_[1] = false;
}

// No scan during a sweep.
void RunButtons::SweepBegins() {
  alive_ = true;
  kind_ = RunKind::Sweep;
  openAtEnd_[0] = openAtEnd_[1] = false;
  faces_[Slot(RunButton::StartScan)].enabled = false;
}

void RunButtons::Paused() { Show(RunButton::StartScan, Caption::Continue); }

void RunButtons::Continued() { Show(RunButton::StartScan, Caption::Pause); }

// Until the cancelled scan has ended, nothing may start; what its end opens
// stays to be opened.
void RunButtons::ScanCancelled() {
  Show(RunButton::StartScan, Caption::Rescan);
  Show(RunButton::SweepNow, Caption::SweepNow);
  if (!alive_) return;
  faces_[Slot(RunButton::StartScan)].enabled = false;
  faces_[Slot(RunButton::SweepNow)].enabled = false;
}

// A sweep's Start-scan was closed by the dialog: it opens again. Whatever
// the started workers open from now on opens at once.
void RunButtons::EndedHere() {
  alive_ = false;
  if (kind_ == RunKind::Sweep) faces_[Slot(RunButton::StartScan)].enabled = true;
}

// A scan's Sweep-now cancels it; Start-scan pauses it.
void RunButtons::RunStarted(RunKind kind) {
  kind_ = kind;
  if (kind != RunKind::Scan) return;
  Show(RunButton::SweepNow, Caption::CancelScan);
  faces_[Slot(RunButton::SweepNow)].enabled = true;
  Show(RunButton::StartScan, Caption::Pause);
}

// No second sweep while one runs.
void RunButtons::CategoryStarted() {
  if (kind_ == RunKind::Sweep) Close(RunButton::SweepNow);
}

void RunButtons::CategoryFinished(bool enablesSweepNow) {
  if (enablesSweepNow) Open(RunButton::SweepNow);
}

// After a scan that found nothing there is nothing to sweep.
void RunButtons::RunEnding(const purlo::RunEnd& end) {
  if (end.kind == RunKind::Scan) {
    if (purlo::FoundNothing(end.totals)) {
      Close(RunButton::SweepNow);
    } else {
      Open(RunButton::SweepNow);
    }
    Show(RunButton::SweepNow, Caption::SweepNow);
  }
  Open(RunButton::StartScan);
  Show(RunButton::StartScan, Caption::Rescan);
}

void RunButtons::RunOver() {
  alive_ = false;
  for (int slot = 0; slot < 2; ++slot) {
    if (openAtEnd_[slot]) faces_[slot].enabled = true;
    openAtEnd_[slot] = false;
  }
}

}  // namespace ui

// What the dialog's two run buttons, Start-scan (IDC_START_SCAN) and
// Sweep-now (IDC_SWEEP_NOW), show and allow: decided from the dialog's own
// steps and the run's events alone. No window here; the dialog shows what
// this holds. A button that the run opens while it is alive opens only when
// the run has ended, so that no click can meet a run that is still finishing.
#pragma once

#include "engine/core/RunView.h"
#include "ui/Texts.h"

namespace ui {

enum class RunButton { StartScan, SweepNow };

class RunButtons {
 public:
  struct Face {
    purlo::Caption caption;
    bool enabled;
  };

  // As the dialog template opens them.
  RunButtons();

  const Face& Of(RunButton button) const { return faces_[Slot(button)]; }
  // From a begun run's start until RunOver or EndedHere.
  bool RunAlive() const { return alive_; }

  // The dialog's own steps. A run has taken the lock and starts.
  void ScanBegins();
  void SweepBegins();
  // Start-scan, during a scan.
  void Paused();
  void Continued();
  // Yes to the cancel question.
  void ScanCancelled();
  // Nothing will end the run (it started nothing, or its monitor could not
  // start): the dialog ended it.
  void EndedHere();

  // The run's events, in the order they come.
  void RunStarted(purlo::RunKind kind);
  void CategoryStarted();
  void CategoryFinished(bool enablesSweepNow);
  // Its end: what each button shows, and what closes.
  void RunEnding(const purlo::RunEnd& end);
  // Then what the run opened.
  void RunOver();

 private:
  static int Slot(RunButton button) { return button == RunButton::StartScan ? 0 : 1; }
  // Opens now, or at the end of the run that is alive.
  void Open(RunButton button);
  void Close(RunButton button);
  void Show(RunButton button, purlo::Caption caption) { faces_[Slot(button)].caption = caption; }

  Face faces_[2];
  bool openAtEnd_[2] = {false, false};
  bool alive_ = false;
  purlo::RunKind kind_ = purlo::RunKind::Scan;
};

}  // namespace ui

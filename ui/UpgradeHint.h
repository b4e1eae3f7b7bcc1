// The About button's part in the update check: once the updater has reported
// a newer version, timer 1 flashes the button, and the next About press opens
// the product page before the About dialog.
#pragma once

#include <windows.h>

namespace purlo {

class UpgradeHint {
 public:
  static constexpr UINT_PTR kFlashTimer = 1;
  static constexpr UINT kFlashPeriodMs = 500;

  // The update check's UpdateAvailableMessage reached the dialog.
  void OnUpdateAvailable(HWND dialog);
  // Timer 1: the flash frames on one tick, the button's text on the next.
  void OnFlashTimer(HWND dialog);
  // The About button.
  void OnAbout(HWND dialog);

 private:
  bool flashPhase_ = false;
  bool updateAvailable_ = false;
};

}  // namespace purlo

#include "ui/UpgradeHint.h"

#include "res/resource.h"
#include "ui/AboutDialog.h"
#include "ui/Texts.h"
#include "ui/UpdateCheck.h"
#include "win/Gdi.h"

namespace purlo {

namespace {

constexpr int kFirstFrame = IDB_UPGRADE1;
constexpr int kLastFrame = IDB_UPGRADE5;
constexpr DWORD kFramePauseMs = 10;

void DrawFrame(HDC target, const RECT& area, int bitmapId) {
  win::UniqueBitmap frame(static_cast<HBITMAP>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  if (!frame) return;
  BITMAP info = {};
  ::GetObjectW(frame.Get(), sizeof(info), &info);
  win::MemoryDC source(::CreateCompatibleDC(target));
  if (!source) return;
  win::SelectGuard select(source.Get(), frame.Get());
  ::StretchBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top, source.Get(), 0, 0,
               info.bmWidth, info.bmHeight, SRCCOPY);
}

// Holds the UI thread for the four pauses between the five frames.
void PlayFlash(HWND button) {
  win::WindowDC dc(button);
  if (!dc) return;
  RECT area = {};
  ::GetClientRect(button, &area);
  for (int id = kFirstFrame; id <= kLastFrame; ++id) {
    DrawFrame(dc.Get(), area, id);
    if (id != kLastFrame) ::Sleep(kFramePauseMs);
  }
}

}  // namespace

void UpgradeHint::OnUpdateAvailable(HWND dialog) {
  updateAvailable_ = true;
  ::SetTimer(dialog, kFlashTimer, kFlashPeriodMs, nullptr);
}

void UpgradeHint::OnFlashTimer(HWND dialog) {
  if (!updateAvailable_) return;
  HWND button = ::GetDlgItem(dialog, IDC_ABOUT);
  if (flashPhase_) {
    PlayFlash(button);
    flashPhase_ = false;
  } else {
    ::SetWindowTextW(button, texts::kAbout);
    flashPhase_ = true;
  }
}

void UpgradeHint::OnAbout(HWND dialog) {
  if (updateAvailable_) {
    ::SetDlgItemTextW(dialog, IDC_ABOUT, texts::kAbout);
    OpenProductPage();
    updateAvailable_ = false;
  }
  myabout about(dialog);
  about.DoModal();
}

}  // namespace purlo

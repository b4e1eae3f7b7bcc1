#include "ui/Art.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "res/resource.h"
#include "win/Gdi.h"

namespace ui {

const ArtVariants kStillBannerArt{RT_BITMAP, {IDB_BANNER, IDB_BANNER_150, IDB_BANNER_200}};
const ArtVariants kBannerAnimationArt{L"GIF", {IDR_BANNER_GIF, IDR_BANNER_GIF_150, IDR_BANNER_GIF_200}};
const ArtVariants kAboutLogoArt{RT_BITMAP, {IDB_ABOUT, IDB_ABOUT_150, IDB_ABOUT_200}};

namespace {

// The picture's width from its resource header, without decoding it: a
// bitmap resource starts with its BITMAPINFOHEADER, a GIF with "GIF8?a" and
// the logical screen's width. 0 when it cannot be read.
int ResourceWidth(LPCWSTR type, WORD id) {
  HMODULE module = ::GetModuleHandleW(nullptr);
  HRSRC info = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (info == nullptr) return 0;
  HGLOBAL loaded = ::LoadResource(module, info);
  const auto* bytes = static_cast<const uint8_t*>(loaded ? ::LockResource(loaded) : nullptr);
  const DWORD size = ::SizeofResource(module, info);
  if (bytes == nullptr) return 0;
  if (type == RT_BITMAP) {
    BITMAPINFOHEADER header{};
    if (size < sizeof header) return 0;
    std::memcpy(&header, bytes, sizeof header);
    return header.biWidth;
  }
  if (size < 10 || std::memcmp(bytes, "GIF", 3) != 0) return 0;
  return bytes[6] | (bytes[7] << 8);
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

// A 24-bit picture of exactly `width` x `height`, the source stretched into it
// with halftone filtering (24 bits: a 32-bit one would be taken for an alpha
// picture by the common controls' static).
HBITMAP StretchedCopy(HBITMAP source, int width, int height) {
  BITMAP from{};
  if (::GetObjectW(source, sizeof from, &from) == 0 || width <= 0 || height <= 0) return nullptr;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  win::UniqueBitmap target(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  win::MemoryDC sourceDc(::CreateCompatibleDC(nullptr));
  win::MemoryDC targetDc(::CreateCompatibleDC(nullptr));
  if (!target || !sourceDc || !targetDc) return nullptr;
  {
    win::SelectGuard selectSource(sourceDc.Get(), source);
    win::SelectGuard selectTarget(targetDc.Get(), target.Get());
    ::SetStretchBltMode(targetDc.Get(), HALFTONE);
    ::SetBrushOrgEx(targetDc.Get(), 0, 0, nullptr);
    if (!::StretchBlt(targetDc.Get(), 0, 0, width, height, sourceDc.Get(), 0, 0, from.bmWidth, from.bmHeight,
                      SRCCOPY)) {
      return nullptr;
    }
  }
  return target.Release();
}

}  // namespace

WORD NearestVariant(const ArtVariants& art, int frameWidth) {
  WORD best = art.ids[0];
  int bestDistance = -1;
  for (WORD id : art.ids) {
    const int width = ResourceWidth(art.type, id);
    if (width <= 0) continue;
    const int distance = std::abs(width - frameWidth);
    if (bestDistance < 0 || distance < bestDistance) {
      best = id;
      bestDistance = distance;
    }
  }
  return best;
}

void FitStaticPicture(HWND pictureStatic, const ArtVariants& art) {
  RECT frame{};
  if (pictureStatic == nullptr || !::GetClientRect(pictureStatic, &frame) || Width(frame) <= 0) return;
  const WORD id = NearestVariant(art, Width(frame));
  win::UniqueBitmap variant(static_cast<HBITMAP>(
      ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!variant) return;
  win::UniqueBitmap fitted(StretchedCopy(variant.Get(), Width(frame), Height(frame)));
  if (!fitted) return;
  win::UniqueBitmap shownBefore(
      reinterpret_cast<HBITMAP>(::SendMessageW(pictureStatic, STM_SETIMAGE, IMAGE_BITMAP,
                                               reinterpret_cast<LPARAM>(fitted.Get()))));
  fitted.Release();  // the static shows it now; ReleaseStaticPicture takes it back
}

void ReleaseStaticPicture(HWND pictureStatic) {
  win::UniqueBitmap shown(reinterpret_cast<HBITMAP>(::SendMessageW(pictureStatic, STM_SETIMAGE, IMAGE_BITMAP, 0)));
}

}  // namespace ui

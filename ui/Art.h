// Pictures drawn at three scales (res/art draws each at 1x, 1.5x and 2x): the
// one nearest to the frame it must fill is picked, and stretched with
// halftone filtering only for the difference that remains.
#pragma once

#include <windows.h>

namespace ui {

// The resource ids of one picture at 1x, 1.5x and 2x.
struct ArtVariants {
  LPCWSTR type;  // RT_BITMAP or L"GIF"
  WORD ids[3];
};

extern const ArtVariants kStillBannerArt;     // IDB_BANNER and its scaled variants
extern const ArtVariants kBannerAnimationArt;  // IDR_BANNER_GIF and its scaled variants
extern const ArtVariants kAboutLogoArt;       // IDB_ABOUT and its scaled variants

// The id of the variant whose width is nearest to `frameWidth` (the 1x one
// when none can be read).
WORD NearestVariant(const ArtVariants& art, int frameWidth);

// Shows the nearest bitmap variant in a bitmap static, made exactly the size
// of the static's client area; the picture it showed before is deleted.
// The static keeps its size (SS_REALSIZECONTROL).
void FitStaticPicture(HWND pictureStatic, const ArtVariants& art);
// Takes the picture back from the static and deletes it (at WM_DESTROY: not
// every static control frees what it shows).
void ReleaseStaticPicture(HWND pictureStatic);

}  // namespace ui

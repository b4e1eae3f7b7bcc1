#include "controls/PlaybackScene.h"

#include <olectl.h>

#include <utility>

namespace picture_ex {

RECT Rect(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

Surface::Surface(HDC reference, int width, int height)
    : dc_(::CreateCompatibleDC(reference)),
      bitmap_(::CreateCompatibleBitmap(reference, width, height)),
      select_(dc_.Get(), dc_ && bitmap_ ? bitmap_.Get() : nullptr) {}

Scene::Scene(HDC reference, LONG width, LONG height, COLORREF background)
    : canvas_(reference, width, height),
      shown_(reference, width, height),
      width_(width),
      height_(height),
      background_(background) {}

void Scene::Publish() { ::BitBlt(shown_.Dc(), 0, 0, width_, height_, canvas_.Dc(), 0, 0, SRCCOPY); }

bool Scene::Render(IPicture* picture, int x, int y, int width, int height) {
  OLE_XSIZE_HIMETRIC hw = 0;
  OLE_YSIZE_HIMETRIC hh = 0;
  if (picture == nullptr || FAILED(picture->get_Width(&hw)) || FAILED(picture->get_Height(&hh))) return false;
  return SUCCEEDED(picture->Render(Dc(), x, y, width, height, 0, hh, hw, -hh, nullptr));
}

bool Scene::Fill(const RECT& rect) {
  win::UniqueBrush brush(::CreateSolidBrush(background_));
  if (!brush) return false;
  ::FillRect(Dc(), &rect, brush.Get());
  return true;
}

void Scene::SaveUnder(const GifFrame& f) {
  saved_.reset();
  if (f.width <= 0 || f.height <= 0) return;
  auto saved = std::make_unique<Surface>(Dc(), f.width, f.height);
  if (!saved->Valid()) return;
  ::BitBlt(saved->Dc(), 0, 0, f.width, f.height, Dc(), f.left, f.top, SRCCOPY);
  saved_ = std::move(saved);
}

void Scene::Dispose(const GifFrame& f) {
  switch (f.disposal) {
    case 2:
      Fill(Rect(f.left, f.top, f.width, f.height));
      break;
    case 3:
      if (saved_) {
        ::BitBlt(Dc(), f.left, f.top, f.width, f.height, saved_->Dc(), 0, 0, SRCCOPY);
        saved_.reset();
      }
      break;
    default:
      break;
  }
}

}  // namespace picture_ex

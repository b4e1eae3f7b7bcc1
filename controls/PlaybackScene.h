// The banner's off-screen picture: memory DCs with their bitmaps, and the
// scene drawn into them, frame by frame. Created by a load on the UI thread.
// During an animation only the playback thread composes on the canvas, for as
// long as a frame's decoder takes, and publishes each result into the shown
// picture, which the paint handler copies out; publishing and copying each
// hold the playback's lock, for one copy between memory DCs and no longer.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "win/ComRef.h"
#include "win/Gdi.h"

namespace picture_ex {

struct GifFrame {
  win::ComRef<IPicture> picture;
  int width = 0, height = 0, left = 0, top = 0;
  uint32_t delay = 0;  // hundredths of a second; 0xFFFFFFFF without a control extension
  int disposal = 0;
};

RECT Rect(int left, int top, int width, int height);

// A memory DC with a bitmap of its own selected into it.
class Surface {
 public:
  Surface(HDC reference, int width, int height);
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  bool Valid() const { return dc_ && bitmap_; }
  HDC Dc() const { return dc_.Get(); }

 private:
  win::MemoryDC dc_;
  win::UniqueBitmap bitmap_;
  win::SelectGuard select_;
};

// The off-screen picture and everything drawn into it.
class Scene {
 public:
  Scene(HDC reference, LONG width, LONG height, COLORREF background);

  bool Valid() const { return canvas_.Valid() && shown_.Valid(); }
  // The canvas, where the picture is composed.
  HDC Dc() const { return canvas_.Dc(); }
  // What a paint shows: the canvas as last published.
  HDC ShownDc() const { return shown_.Dc(); }
  void Publish();

  std::vector<GifFrame> frames;
  win::ComRef<IPicture> still;
  RECT stillPlace{};
  size_t current = 0;  // the frame to show next

  // Draws the whole picture upright, scaled to the rectangle.
  bool Render(IPicture* picture, int x, int y, int width, int height);
  bool RenderFrame(const GifFrame& f) { return Render(f.picture.Get(), f.left, f.top, f.width, f.height); }

  bool Fill(const RECT& rect);
  bool FillAll() { return Fill(RECT{0, 0, width_, height_}); }

  // Keeps a copy of what a disposal-3 frame is about to cover.
  void SaveUnder(const GifFrame& f);
  // Clears (2) or restores (3) what the frame covered.
  void Dispose(const GifFrame& f);

 private:
  Surface canvas_;
  Surface shown_;
  std::unique_ptr<Surface> saved_;
  LONG width_, height_;
  COLORREF background_;
};

}  // namespace picture_ex

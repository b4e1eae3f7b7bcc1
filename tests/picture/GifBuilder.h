// Builds GIF files block by block for the picture control's tests. Images are
// stored with literal LZW codes only (a clear code every 254 pixels keeps the
// code width at 9 bits), which every decoder reads.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testgif {

struct Rgb {
  uint8_t r, g, b;
  COLORREF Ref() const { return RGB(r, g, b); }
};

class GifBuilder {
 public:
  // A 256-entry global colour table: `palette` first, black after it.
  GifBuilder(const char* version, int width, int height, const std::vector<Rgb>& palette);

  GifBuilder& Control(uint16_t delay, int disposal, int transparentIndex = -1);
  // An image whose pixel (x, y) inside its rectangle has colour index index(x, y).
  GifBuilder& Image(int left, int top, int width, int height, const std::function<uint8_t(int, int)>& index);
  GifBuilder& Solid(int left, int top, int width, int height, uint8_t index);
  GifBuilder& Comment(const std::string& text);
  GifBuilder& Looping();
  // Appends bytes as they are (for broken blocks).
  GifBuilder& Raw(const std::vector<uint8_t>& bytes);
  std::vector<uint8_t> Finish() const;

 private:
  void Word(int value);
  void SubBlocks(const std::vector<uint8_t>& payload);
  std::vector<uint8_t> data_;
};

// A bottom-up 24-bit BMP file.
std::vector<uint8_t> Bitmap24(int width, int height, const std::function<Rgb(int, int)>& pixel);

// The bytes in a movable global memory block the caller frees.
HGLOBAL ToGlobal(const std::vector<uint8_t>& bytes);

}  // namespace testgif

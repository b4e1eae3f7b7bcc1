#include "tests/picture/GifBuilder.h"

#include <algorithm>
#include <cstring>

namespace testgif {

GifBuilder::GifBuilder(const char* version, int width, int height, const std::vector<Rgb>& palette) {
  data_.insert(data_.end(), {'G', 'I', 'F'});
  data_.insert(data_.end(), version, version + 3);
  Word(width);
  Word(height);
  data_.push_back(0xF7);  // global table of 2^8 entries
  data_.push_back(0);
  data_.push_back(0);
  for (int i = 0; i < 256; ++i) {
    const Rgb c = i < static_cast<int>(palette.size()) ? palette[i] : Rgb{0, 0, 0};
    data_.insert(data_.end(), {c.r, c.g, c.b});
  }
}

void GifBuilder::Word(int value) {
  data_.push_back(static_cast<uint8_t>(value & 0xFF));
  data_.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

void GifBuilder::SubBlocks(const std::vector<uint8_t>& payload) {
  for (size_t i = 0; i < payload.size(); i += 255) {
    const size_t n = std::min<size_t>(255, payload.size() - i);
    data_.push_back(static_cast<uint8_t>(n));
    data_.insert(data_.end(), payload.begin() + i, payload.begin() + i + n);
  }
  data_.push_back(0);
}

GifBuilder& GifBuilder::Control(uint16_t delay, int disposal, int transparentIndex) {
  data_.insert(data_.end(), {0x21, 0xF9, 4});
  data_.push_back(static_cast<uint8_t>(((disposal & 7) << 2) | (transparentIndex >= 0 ? 1 : 0)));
  Word(delay);
  data_.push_back(static_cast<uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
  data_.push_back(0);
  return *this;
}

GifBuilder& GifBuilder::Image(int left, int top, int width, int height,
                              const std::function<uint8_t(int, int)>& index) {
  data_.push_back(0x2C);
  Word(left);
  Word(top);
  Word(width);
  Word(height);
  data_.push_back(0);  // no local table, not interlaced
  data_.push_back(8);  // LZW minimum code size
  std::vector<uint8_t> packed;
  uint32_t acc = 0;
  int bits = 0;
  auto put = [&](uint32_t code) {
    acc |= code << bits;
    bits += 9;
    while (bits >= 8) {
      packed.push_back(static_cast<uint8_t>(acc & 0xFF));
      acc >>= 8;
      bits -= 8;
    }
  };
  int sinceClear = 0;
  put(256);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (sinceClear == 254) {
        put(256);
        sinceClear = 0;
      }
      put(index(x, y));
      ++sinceClear;
    }
  }
  put(257);
  if (bits > 0) packed.push_back(static_cast<uint8_t>(acc & 0xFF));
  SubBlocks(packed);
  return *this;
}

GifBuilder& GifBuilder::Solid(int left, int top, int width, int height, uint8_t index) {
  return Image(left, top, width, height, [index](int, int) { return index; });
}

GifBuilder& GifBuilder::Comment(const std::string& text) {
  data_.insert(data_.end(), {0x21, 0xFE});
  SubBlocks(std::vector<uint8_t>(text.begin(), text.end()));
  return *this;
}

GifBuilder& GifBuilder::Looping() {
  static const char kApp[] = "NETSCAPE2.0";
  data_.insert(data_.end(), {0x21, 0xFF, 11});
  data_.insert(data_.end(), kApp, kApp + 11);
  SubBlocks({1, 0, 0});
  return *this;
}

GifBuilder& GifBuilder::Raw(const std::vector<uint8_t>& bytes) {
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return *this;
}

std::vector<uint8_t> GifBuilder::Finish() const {
  std::vector<uint8_t> out = data_;
  out.push_back(0x3B);
  return out;
}

std::vector<uint8_t> Bitmap24(int width, int height, const std::function<Rgb(int, int)>& pixel) {
  const int stride = (width * 3 + 3) & ~3;
  const uint32_t bitsSize = static_cast<uint32_t>(stride * height);
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bitsSize;
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = bitsSize;
  info.biXPelsPerMeter = info.biYPelsPerMeter = 3780;
  std::vector<uint8_t> out(file.bfSize, 0);
  std::memcpy(out.data(), &file, sizeof file);
  std::memcpy(out.data() + sizeof file, &info, sizeof info);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = out.data() + file.bfOffBits + static_cast<size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      row[x * 3] = c.b;
      row[x * 3 + 1] = c.g;
      row[x * 3 + 2] = c.r;
    }
  }
  return out;
}

HGLOBAL ToGlobal(const std::vector<uint8_t>& bytes) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (block == nullptr) return nullptr;
  if (void* p = ::GlobalLock(block)) {
    std::memcpy(p, bytes.data(), bytes.size());
    ::GlobalUnlock(block);
  }
  return block;
}

}  // namespace testgif

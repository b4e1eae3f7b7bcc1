// The GIF block walker: classifies and measures the blocks of a GIF held in
// memory, counts its graphic blocks and cuts each one out as a one-image GIF
// file for the picture loader. Plain C++ over a byte span, so it builds and is
// tested natively as well. Every read is bounded by the span, whatever the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace gif {

enum class BlockKind {
  Application,     // 0x21 0xFF
  Comment,         // 0x21 0xFE
  GraphicControl,  // 0x21 0xF9
  PlainText,       // 0x21 0x01
  Image,           // 0x2C: descriptor, local colour table, image data
  Trailer,         // 0x3B
  Unrecognised,    // anything else, also the end of the data
};

// A frame without a graphic control extension carries this delay.
constexpr uint32_t kNoDelay = 0xFFFFFFFFu;

// The 13-byte header with the logical screen descriptor.
struct Header {
  uint16_t width = 0;
  uint16_t height = 0;
  size_t colourTableSize = 0;  // bytes of the global colour table, 0 without one
  size_t FirstBlock() const { return 13 + colourTableSize; }
};

// True when the data starts with GIF87a or GIF89a.
bool HasGifSignature(const uint8_t* data, size_t size);

// The header, or nothing when the data is too short for it and for the global
// colour table its flags announce.
std::optional<Header> ReadHeader(const uint8_t* data, size_t size);

struct Frame {
  uint32_t delay = kNoDelay;  // hundredths of a second
  int disposal = 0;           // 0 to 7
  // The image's rectangle on the logical screen; for a plain-text block, its
  // text grid.
  int left = 0, top = 0, width = 0, height = 0;
  bool hasImage = false;  // false for a plain-text block
  size_t spanBegin = 0;   // the frame's blocks: graphic control extension
  size_t spanEnd = 0;     //   (if any) up to the end of the image data
};

class BlockWalker {
 public:
  // The data stays the caller's and must outlive the walker.
  BlockWalker(const uint8_t* data, size_t size);

  bool Valid() const { return header_.has_value(); }
  const Header& GetHeader() const { return *header_; }
  size_t Offset() const { return offset_; }

  BlockKind Classify() const;
  // Length of the whole block at the read offset; 0 when it is unrecognised
  // or reaches past the end of the data.
  size_t Measure() const;
  // Moves past the block at the read offset; false (offset unchanged) when it
  // cannot be measured.
  bool Advance();

  // Back to the first block after the header.
  void Rewind();
  // Passes over one graphic block with the extensions before it; false at the
  // trailer, the end, or malformed structure.
  bool SkipGraphicBlock();
  // The next frame, or nothing at the trailer, the end, or malformed structure.
  std::optional<Frame> NextFrame();

 private:
  bool SkipApplicationAndComments();
  bool PassToGraphicBlock();
  size_t ChainLength(size_t at) const;
  uint8_t Byte(size_t at) const { return at < size_ ? data_[at] : 0; }
  uint16_t Word(size_t at) const { return static_cast<uint16_t>(Byte(at) | (Byte(at + 1) << 8)); }

  const uint8_t* data_;
  size_t size_;
  std::optional<Header> header_;
  size_t offset_ = 0;
};

// Number of graphic blocks (images and plain-text blocks) up to the trailer or
// the first malformed block.
size_t CountFrames(const uint8_t* data, size_t size);

// A complete one-image GIF: the data's header, logical screen descriptor and
// global colour table unchanged, the frame's span, a trailer. Empty when the
// header or the span does not lie within the data (a frame from a walker over
// other data).
std::vector<uint8_t> BuildFrameFile(const uint8_t* data, size_t size, const Header& header,
                                    const Frame& frame);

}  // namespace gif

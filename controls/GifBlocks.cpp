#include "controls/GifBlocks.h"

#include <cstring>

namespace gif {

namespace {

constexpr size_t kHeaderSize = 13;
constexpr size_t kGraphicControlSize = 8;
constexpr size_t kApplicationFixed = 14;
constexpr size_t kCommentFixed = 2;
constexpr size_t kPlainTextFixed = 15;
constexpr size_t kImageFixed = 11;  // descriptor (10) and the LZW code size byte

size_t ColourTableSize(uint8_t flags) {
  return (flags & 0x80) ? 3u * (2u << (flags & 7)) : 0;
}

}  // namespace

bool HasGifSignature(const uint8_t* data, size_t size) {
  return size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

std::optional<Header> ReadHeader(const uint8_t* data, size_t size) {
  if (!HasGifSignature(data, size) || size < kHeaderSize) return std::nullopt;
  Header h;
  h.width = static_cast<uint16_t>(data[6] | (data[7] << 8));
  h.height = static_cast<uint16_t>(data[8] | (data[9] << 8));
  h.colourTableSize = ColourTableSize(data[10]);
  // A table flag on data too short to hold the table: nothing here is a GIF.
  if (h.FirstBlock() > size) return std::nullopt;
  return h;
}

BlockWalker::BlockWalker(const uint8_t* data, size_t size)
    : data_(data), size_(size), header_(ReadHeader(data, size)) {
  Rewind();
}

void BlockWalker::Rewind() { offset_ = header_ ? header_->FirstBlock() : size_; }

BlockKind BlockWalker::Classify() const {
  if (offset_ >= size_) return BlockKind::Unrecognised;
  switch (data_[offset_]) {
    case 0x2C: return BlockKind::Image;
    case 0x3B: return BlockKind::Trailer;
    case 0x21: break;
    default: return BlockKind::Unrecognised;
  }
  if (offset_ + 1 >= size_) return BlockKind::Unrecognised;
  switch (data_[offset_ + 1]) {
    case 0xFF: return BlockKind::Application;
    case 0xFE: return BlockKind::Comment;
    case 0xF9: return BlockKind::GraphicControl;
    case 0x01: return BlockKind::PlainText;
    default: return BlockKind::Unrecognised;
  }
}

// Sum of (s + 1) over the sub-blocks plus the terminator; 0 when the chain
// does not end inside the data.
size_t BlockWalker::ChainLength(size_t at) const {
  size_t pos = at;
  while (pos < size_) {
    const size_t s = data_[pos];
    if (s == 0) return pos + 1 - at;
    if (s + 1 > size_ - pos) return 0;
    pos += s + 1;
  }
  return 0;
}

size_t BlockWalker::Measure() const {
  const size_t remaining = offset_ < size_ ? size_ - offset_ : 0;
  auto fixedThenChain = [&](size_t fixed) -> size_t {
    if (fixed >= remaining) return 0;
    const size_t chain = ChainLength(offset_ + fixed);
    return chain ? fixed + chain : 0;
  };
  switch (Classify()) {
    case BlockKind::Application: return fixedThenChain(kApplicationFixed);
    case BlockKind::Comment: return fixedThenChain(kCommentFixed);
    case BlockKind::PlainText: return fixedThenChain(kPlainTextFixed);
    case BlockKind::GraphicControl: return kGraphicControlSize <= remaining ? kGraphicControlSize : 0;
    case BlockKind::Trailer: return 1;
    case BlockKind::Image: {
      if (remaining < 10) return 0;  // the descriptor is cut short
      return fixedThenChain(kImageFixed + ColourTableSize(data_[offset_ + 9]));
    }
    case BlockKind::Unrecognised: break;
  }
  return 0;
}

bool BlockWalker::Advance() {
  const size_t length = Measure();
  if (length == 0) return false;
  offset_ += length;
  return true;
}

bool BlockWalker::SkipApplicationAndComments() {
  for (;;) {
    const BlockKind kind = Classify();
    if (kind != BlockKind::Application && kind != BlockKind::Comment) return true;
    if (!Advance()) return false;
  }
}

// After a graphic control extension: passes over the blocks up to the image or
// plain-text block it belongs to.
bool BlockWalker::PassToGraphicBlock() {
  for (;;) {
    switch (Classify()) {
      case BlockKind::Image:
      case BlockKind::PlainText: return true;
      case BlockKind::Trailer:
      case BlockKind::Unrecognised: return false;
      default:
        if (!Advance()) return false;
    }
  }
}

bool BlockWalker::SkipGraphicBlock() {
  if (!Valid() || !SkipApplicationAndComments()) return false;
  const BlockKind kind = Classify();
  if (kind == BlockKind::Unrecognised || kind == BlockKind::Trailer) return false;
  if (kind == BlockKind::GraphicControl && !(Advance() && PassToGraphicBlock())) return false;
  return Advance();
}

std::optional<Frame> BlockWalker::NextFrame() {
  if (!Valid() || !SkipApplicationAndComments()) return std::nullopt;
  BlockKind kind = Classify();
  if (kind == BlockKind::Unrecognised || kind == BlockKind::Trailer) return std::nullopt;

  Frame frame;
  frame.spanBegin = offset_;
  if (kind == BlockKind::GraphicControl) {
    if (Measure() == 0) return std::nullopt;
    frame.disposal = (data_[offset_ + 3] >> 2) & 7;
    frame.delay = Word(offset_ + 4);
    if (!(Advance() && PassToGraphicBlock())) return std::nullopt;
    kind = Classify();
  }
  // Both blocks have their four 16-bit geometry fields before the chain, so a
  // block that measures reads them inside the data.
  const size_t geometry = kind == BlockKind::Image ? offset_ + 1 : offset_ + 3;
  const size_t length = Measure();
  if (length == 0) return std::nullopt;
  frame.hasImage = kind == BlockKind::Image;
  frame.left = Word(geometry);
  frame.top = Word(geometry + 2);
  frame.width = Word(geometry + 4);
  frame.height = Word(geometry + 6);
  offset_ += length;
  frame.spanEnd = offset_;
  return frame;
}

size_t CountFrames(const uint8_t* data, size_t size) {
  BlockWalker walker(data, size);
  size_t n = 0;
  while (walker.SkipGraphicBlock()) ++n;
  return n;
}

std::vector<uint8_t> BuildFrameFile(const uint8_t* data, size_t size, const Header& header,
                                    const Frame& frame) {
  std::vector<uint8_t> file;
  const size_t head = header.FirstBlock();
  if (head > size || frame.spanBegin >= frame.spanEnd || frame.spanEnd > size) return file;
  const size_t span = frame.spanEnd - frame.spanBegin;
  file.resize(head + span + 1);
  std::memcpy(file.data(), data, head);
  std::memcpy(file.data() + head, data + frame.spanBegin, span);
  file[head + span] = 0x3B;
  return file;
}

}  // namespace gif

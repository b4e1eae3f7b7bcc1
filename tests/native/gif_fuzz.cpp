// libFuzzer target for the block walker. Beyond staying inside the data
// (AddressSanitizer watches every read), it checks what the walker promises:
// counting and extraction agree, and every extracted frame file is itself a
// GIF with exactly that one frame.
#include <cstdlib>
#include <vector>

#include "controls/GifBlocks.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t count = gif::CountFrames(data, size);
  gif::BlockWalker walker(data, size);
  size_t extracted = 0;
  while (auto frame = walker.NextFrame()) {
    ++extracted;
    Require(frame->spanBegin < frame->spanEnd && frame->spanEnd <= size);
    Require(frame->spanEnd == walker.Offset());
    const std::vector<uint8_t> file = gif::BuildFrameFile(data, size, walker.GetHeader(), *frame);
    Require(file.size() == walker.GetHeader().FirstBlock() + (frame->spanEnd - frame->spanBegin) + 1);
    Require(gif::CountFrames(file.data(), file.size()) == 1);
    gif::BlockWalker again(file.data(), file.size());
    auto copy = again.NextFrame();
    Require(copy && copy->delay == frame->delay && copy->disposal == frame->disposal &&
            copy->left == frame->left && copy->top == frame->top && copy->width == frame->width &&
            copy->height == frame->height && copy->hasImage == frame->hasImage);
    Require(again.Classify() == gif::BlockKind::Trailer);
  }
  Require(extracted == count);
  return 0;
}

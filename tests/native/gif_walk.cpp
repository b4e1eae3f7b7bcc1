// Prints what the block walker finds in a GIF file, one line per frame, and
// optionally writes each frame's one-image file: the native side of the
// walker's comparison with an independent reader.
//
//   gif_walk FILE [EXTRACT_PREFIX]
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "controls/GifBlocks.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: gif_walk FILE [EXTRACT_PREFIX]\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "gif_walk: cannot read %s\n", argv[1]);
    return 2;
  }
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  gif::BlockWalker walker(data.data(), data.size());
  std::printf("count %zu\n", gif::CountFrames(data.data(), data.size()));
  if (!walker.Valid()) return 0;
  const gif::Header& h = walker.GetHeader();
  std::printf("screen %u %u table %zu\n", h.width, h.height, h.colourTableSize);
  int index = 0;
  while (auto frame = walker.NextFrame()) {
    std::printf("frame %u %d %d %d %d %d %s %zu %zu\n", frame->delay, frame->disposal, frame->width,
                frame->height, frame->left, frame->top, frame->hasImage ? "image" : "text",
                frame->spanBegin, frame->spanEnd);
    if (argc > 2) {
      const std::vector<uint8_t> file = gif::BuildFrameFile(data.data(), data.size(), h, *frame);
      const std::string name = std::string(argv[2]) + "-" + std::to_string(index) + ".gif";
      std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                  static_cast<std::streamsize>(file.size()));
    }
    ++index;
  }
  return 0;
}

// What the recycle bins hold, as the shell counts it: the scan reports it,
// the sweep compares it before and after emptying.
#pragma once

#include <cstdint>

namespace purlo {

struct BinContents {
  uint64_t items = 0;
  uint64_t bytes = 0;
};

// Every drive's bin; nothing when the shell cannot tell.
BinContents RecycleBinContents();

}  // namespace purlo

// Byte totals that stop at the largest 64-bit count instead of wrapping: four
// sparse files of 2^62 bytes must not add up to nothing.
#pragma once

#include <cstdint>

namespace purlo {

inline void AddBytes(uint64_t& total, uint64_t bytes) {
  total = bytes > UINT64_MAX - total ? UINT64_MAX : total + bytes;
}

}  // namespace purlo

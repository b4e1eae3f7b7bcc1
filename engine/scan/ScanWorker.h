// One scan worker per ticked category: measures it, adds to RunningTotals,
// writes the item's label.
#pragma once

#include <cstdint>
#include <string>

#include "engine/scan/RunState.h"

namespace purlo {

// Thread entry; owns and frees the ScanTask it is given.
unsigned __stdcall ScanWorker(void* task);

struct Measured {
  uint64_t items = 0;
  uint64_t bytes = 0;
};

// One file as the sweep would find it: 1 and its full size when it is a plain
// file (not a folder, not a reparse point) in a folder that really lies on a
// drive or share, whether or not another program holds it open; otherwise
// nothing. Paths that are not below a drive root are never opened.
Measured MeasureOneFile(const std::wstring& path);
Measured MeasureRecycleBin();
uint64_t CountRegistryValues(const wchar_t* key);

}  // namespace purlo

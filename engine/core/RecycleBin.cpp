#include "engine/core/RecycleBin.h"

#include <windows.h>
#include <shellapi.h>

namespace purlo {

static_assert(sizeof(SHQUERYRBINFO) == (sizeof(void*) == 8 ? 24 : 20), "the shell checks the record's size");

BinContents RecycleBinContents() {
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof(info);  // 20 on 32-bit Windows, 24 on x64
  if (FAILED(::SHQueryRecycleBinW(nullptr, &info))) return {};
  return {static_cast<uint64_t>(info.i64NumItems), static_cast<uint64_t>(info.i64Size)};
}

}  // namespace purlo

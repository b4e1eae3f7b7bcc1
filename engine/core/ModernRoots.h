// The root rules of the categories after the 22 that find their roots below
// a folder: every profile of a browser, every store package, every app that
// keeps a cache. Each root comes with the lock of its program.
#pragma once

#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

void ChromeCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
void EdgeCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
void OtherChromiumRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
void FirefoxCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
// The user's LocalLow shader caches (none on XP).
void LowShaderCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
// The crash settings' DumpFile, else %SystemRoot%\MEMORY.DMP.
void MemoryDumpRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
// The crash settings' MinidumpDir, else %SystemRoot%\Minidump.
void MinidumpRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
void StorePackageRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);
void AppCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots);

}  // namespace purlo

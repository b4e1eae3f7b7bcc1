// One scan worker per ticked category: measures it, adds to RunningTotals,
// writes the item's label.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/FileFilter.h"
#include "engine/core/RunState.h"

namespace purlo {

// Thread entry; owns and frees the ScanTask it is given.
unsigned __stdcall ScanWorker(void* task);

struct Measured {
  uint64_t items = 0;
  uint64_t bytes = 0;
  bool refused = false;  // a single file in a protected folder
  KeptFiles kept;        // left alone by the run's filter
};

// One file as the sweep would find it (OpenSingleFile), measured through the
// handle the check was made on: 1 and its full size when it is a file in a
// folder that really lies on a drive or share and is not protected, whether
// or not another program holds it open, and also when it is a link (which the
// sweep reports as skipped); otherwise nothing. Paths that are not below a
// drive root are never opened.
Measured MeasureOneFile(const std::wstring& path,
                        const ProtectedFolders& protectedFolders = ProtectedFolders::None(),
                        std::vector<FileIdentity>* seen = nullptr);
// The values of root\key (root: the cleaned user's hive).
uint64_t CountRegistryValues(const wchar_t* key, HKEY root = HKEY_CURRENT_USER);
// The values of every history key of a registry category on this version,
// with those of the direct sub-keys of the keys that have them (a sub-key
// that is a link counts nothing).
uint64_t CountHistoryKeys(JunkCategory category, int windowsMajor, HKEY root);

}  // namespace purlo

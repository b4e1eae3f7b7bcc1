// Whether a folder lies inside one of the Program Files folders, which only
// administrators can change: the updater is started only from there.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/Handles.h"

namespace purlo {

// True when folder, or a folder above it by name, is one of the Program Files
// folders of the machine's own record (HKLM, both registry views), compared by
// identity (volume serial number and file index), so spelling does not matter.
// The folder must be on a local fixed drive, and no folder on the way may be
// a link. On success pins holds every folder on the way open without delete
// sharing, so that none can be renamed or replaced while they stay open.
bool InsideProgramFiles(const std::wstring& folder, std::vector<win::UniqueFile>* pins);

}  // namespace purlo

#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/core/Catalogue.h"

namespace purlo {

// Removes every value stored directly in root\keyPath (root: the cleaned
// user's hive, HKEY_CURRENT_USER by default) and returns
// how many were removed. The key and its subkeys stay; a missing key (or one
// that cannot be opened for writing) is never created and gives 0, and so
// does a key that is a registry link or lies below one.
uint32_t RemoveHistoryValues(std::wstring keyPath, HKEY root = HKEY_CURRENT_USER);

// The same for every history key of a registry category on this version,
// with the values of the direct sub-keys of those that have them (each
// opened on its own without links: a link is never touched).
uint32_t RemoveHistoryKeys(JunkCategory category, int windowsMajor, HKEY root);

}  // namespace purlo

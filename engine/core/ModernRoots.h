// The roots of the categories after the 22: today's browser, driver, crash,
// package-manager and app caches. Each root carries its class, the lock of
// the program whose files it holds, and the file-name pattern of what goes.
#pragma once

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/RootJudge.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

struct RecipeRoot {
  std::wstring path;
  RootClass rootClass = RootClass::PerUser;
  std::wstring lock;                // empty: none (IsLockHeld)
  const wchar_t* pattern = nullptr;  // file names taken, alternatives split by '|'; null: every file
};

// False for a category that is not one of them. A run of one part builds
// only that part's roots.
bool BuildModernRoots(JunkCategory category, SystemLookups& lookups, std::vector<RecipeRoot>& out);

// A history key of a registry category; with sub-keys, the values of each
// direct sub-key too (a sub-key that is a link counts nothing and stays).
struct HistoryKeySpec {
  const wchar_t* key;
  bool withSubkeys;
};

// The file dialogs' lists on this version; empty for other categories.
std::vector<HistoryKeySpec> ModernHistoryKeys(JunkCategory category, int windowsMajor);

}  // namespace purlo

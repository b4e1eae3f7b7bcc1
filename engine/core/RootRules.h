// Builds a category's roots at the start of a run, from what the machine reports.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/ModernRoots.h"
#include "engine/core/RunView.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

enum class RootsOutcome {
  Ready,           // roots built (possibly none)
  NotInstalled,    // MaxthonHistory / TheWorldHistory without their key: no task at all
  TempPathFailed,  // GetTempPathW failed: the run must not start
};

struct Roots {
  RootsOutcome outcome = RootsOutcome::Ready;
  std::vector<std::wstring> paths;  // as built: RootJudge decides what is walked
  DWORD error = 0;  // with TempPathFailed
  // One for each of `paths` where the recipe tells each root's class, lock
  // and file pattern; empty where ClassOfRoot tells the class.
  std::vector<RecipeRoot> recipe;
};

// windowsMajor is 5, 6 or 0 (any other version). A look-up that fails leaves
// its root out rather than building a path on an empty piece.
Roots BuildRoots(JunkCategory category, int windowsMajor, SystemLookups& lookups);

// True for categories whose roots name files and folders (not markers).
bool HasFileRoots(JunkCategory category);

// The registry key (under HKEY_CURRENT_USER) of a registry-values category;
// nullptr when the category has none on this version.
const wchar_t* HistoryKey(JunkCategory category, int windowsMajor);

// Every history key of a registry-values category on this version.
std::vector<HistoryKeySpec> HistoryKeys(JunkCategory category, int windowsMajor);

// The Firefox rule: the first profile folder whose NAME contains "default",
// else the last one listed; empty when there is none.
std::wstring ChooseFirefoxProfile(const std::vector<std::wstring>& profileFolders);

}  // namespace purlo

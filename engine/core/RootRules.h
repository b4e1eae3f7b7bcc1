// Builds a category's roots at the start of a run, from what the machine reports.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
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
  std::vector<RootClass> classes;   // one for each of `paths`: the rule it is judged by
  DWORD error = 0;  // with TempPathFailed
};

// The category's row's recipes that apply on this version and in the run's
// part, in order. windowsMajor is 5, 6 or 0 (any other version). A look-up
// that fails leaves its root out rather than building a path on an empty piece.
Roots BuildRoots(JunkCategory category, int windowsMajor, SystemLookups& lookups);

// True for categories whose roots name files and folders (not markers).
bool HasFileRoots(JunkCategory category);

// The registry key (under HKEY_CURRENT_USER) of a registry-values category;
// nullptr when the category has none on this version.
const wchar_t* HistoryKey(JunkCategory category, int windowsMajor);

// The root rule of Firefox's history: places.sqlite in the chosen profile.
void FirefoxPlaces(SystemLookups& lookups, std::vector<std::wstring>& paths);

// The Firefox rule: the first profile folder whose NAME contains "default",
// else the last one listed; empty when there is none.
std::wstring ChooseFirefoxProfile(const std::vector<std::wstring>& profileFolders);

}  // namespace purlo

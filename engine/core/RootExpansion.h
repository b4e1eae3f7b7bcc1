// Roots found below a folder rather than named one by one: every browser
// profile in a "User Data" folder, every store app's package folder. The
// paths found are only candidates: each goes through the root judge like any
// root (opened once, classed, links refused).
#pragma once

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

// Named sub-folders below each of a folder's children that match `pattern`
// and, with a marker, hold a file of that name.
struct ChildRoots {
  const wchar_t* pattern;        // with * and ?, without regard to case
  const wchar_t* marker;         // null: any child
  const wchar_t* const* tails;   // null-terminated
  const wchar_t* lock;           // relative to each child; null: none
};

// The sub-folders of `base` whose names match `pattern` (and that hold
// `marker`, when given), in listing order, as full paths.
std::vector<std::wstring> MatchingChildren(SystemLookups& lookups, const std::wstring& base, const wchar_t* pattern,
                                           const wchar_t* marker);

// `folder`\tail for each tail, each with `lock`.
void AddTails(const std::wstring& folder, const wchar_t* const* tails, const std::wstring& lock,
              std::vector<FoundRoot>& out);

// The tails of `rule` below each matching child of `base`.
void AddChildRoots(SystemLookups& lookups, const std::wstring& base, const ChildRoots& rule,
                   std::vector<FoundRoot>& out);

// A Chromium "User Data" folder: the caches of each profile in it (a folder
// holding `Preferences`) and its shared caches, all under its `lockfile`.
void AddChromiumUserData(SystemLookups& lookups, const std::wstring& userData, std::vector<FoundRoot>& out);

// The cache folders of one Chromium profile (Opera keeps its caches apart
// from its profile, so the lock is given).
void AddChromiumProfileCaches(const std::wstring& profile, const std::wstring& lock, std::vector<FoundRoot>& out);

}  // namespace purlo

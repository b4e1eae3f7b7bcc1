// What a category's own row leaves out of its walks, besides the run's
// filter: names it neither enters nor takes at any depth (a browser's
// `Local State`, an editor's `Backups`), files outside the name pattern of
// the root being walked (`*.dmp`), and files younger than its minimum age.
// Files left so are not the category's: they count nowhere, not even as kept.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/core/Catalogue.h"
#include "engine/core/FileHandles.h"

namespace purlo {

// One name (no separators) against a pattern with * and ?, without regard to case.
bool MatchesNamePattern(const wchar_t* pattern, const wchar_t* name, size_t length);

class CategoryWalk {
 public:
  // The age limit is taken from the clock now: a walk started later judges
  // by the moment its walker was made.
  explicit CategoryWalk(JunkCategory category);

  // The name pattern of the root walked next (alternatives split by '|');
  // null takes every file.
  void SetNamePattern(const wchar_t* pattern) { namePattern_ = pattern; }

  bool LeavesFolder(const ListedEntry& listed) const;
  bool LeavesFile(const ListedEntry& listed) const;

 private:
  bool NeverTouched(const ListedEntry& listed) const;

  const wchar_t* const* neverTouched_;
  const wchar_t* namePattern_ = nullptr;
  uint64_t notAfter_ = 0;  // FILETIME units; 0: no age limit
};

// A single-file root of a folder-trees category (the system's full dump),
// judged by the same rules as its folder lists it; true also when it is not
// there. Only decides; what is deleted is opened and checked on its own.
bool CategoryLeavesSingleFile(JunkCategory category, const std::wstring& path, const wchar_t* pattern);

}  // namespace purlo

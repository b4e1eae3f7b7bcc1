// Rules on path texts that keep every walk inside the folder it was given.
#pragma once

#include <string>
#include <vector>

namespace purlo {

// "X:\name..." or "\\server\share\name...": a path that names something below
// a drive or share root. Empty, relative and drive-root paths are not, nor
// paths with "." or ".." components (they could climb back to the root).
bool IsBelowDriveRoot(const std::wstring& path);

// Removes one trailing backslash, if there is one.
std::wstring WithoutTrailingBackslash(std::wstring path);

// A form of an existing or missing path for comparing folders: long names,
// no trailing backslash, upper case.
std::wstring ComparableFolder(const std::wstring& path);

// True when `inner` (comparable form) is `outer` (comparable form) or lies below it.
bool IsSameOrInside(const std::wstring& inner, const std::wstring& outer);

// The roots of one task that are neither equal to nor inside an earlier root,
// so that every file is walked once.
std::vector<std::wstring> DistinctFolderRoots(const std::vector<std::wstring>& roots);

}  // namespace purlo

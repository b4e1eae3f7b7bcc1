// Rules on path texts that keep every walk inside the folder it was given,
// and the long "\\?\" form every walk uses on the file system.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace purlo {

// "\\" and "/" both separate path components, as the system reads them.
bool IsSeparator(wchar_t c);

// Where the drive or share root of an ordinary or long-form path ends:
// after "X:\" and "\\?\X:\" (their backslash included), at the end of
// "\\server\share" and "\\?\UNC\server\share" (the backslash after the
// share not included); npos for a path without such a root.
size_t RootPartLength(const std::wstring& path);
// The folder above `path` (ordinary or long form, trailing separators
// ignored): "C:\a\b" -> "C:\a" -> "C:\" -> "", "\\?\UNC\s\sh\a" ->
// "\\?\UNC\s\sh" -> "". Empty at a drive or share root, and for a path
// without one.
std::wstring ParentFolder(const std::wstring& path);

// "X:\name..." or "\\server\share\name...": a path that names something below
// a drive or share root. Empty, relative and drive-root paths are not, nor
// paths with "." or ".." components (they could climb back to the root).
bool IsBelowDriveRoot(const std::wstring& path);

// "X:\", "\\server\share\" (separators after the root allowed): a root that
// lies above every folder of its drive or share.
bool IsDriveRoot(const std::wstring& path);

// Removes one trailing backslash, if there is one.
std::wstring WithoutTrailingBackslash(std::wstring path);

// The "\\?\" form of a path IsBelowDriveRoot accepts ("\\?\UNC\..." for a
// share), forward slashes turned into backslashes. In this form the system
// takes every name as it is: past 260 characters, names ending in a dot or a
// space, and names such as "nul" or "com1.log" that are otherwise devices.
std::wstring LongForm(const std::wstring& path);
// The ordinary form of a long-form path, for labels, lists and the status line.
std::wstring OrdinaryForm(const std::wstring& path);

// A name a folder listing may hold that a walk can enter or delete: not "."
// or "..", and without "\", "/" or ":" (names made on another system can
// carry them, and joined to a path they would lead elsewhere).
bool IsWalkableName(const wchar_t* name);
bool IsWalkableName(const wchar_t* name, size_t length);

// The path as the system completes it (current drive and folder applied, "."
// and ".." taken out, trailing dots and spaces dropped), at any length; empty
// when the system cannot.
std::wstring FullPathName(const std::wstring& path);
// The long names of an existing path (any form); the path itself when it
// does not exist.
std::wstring LongNames(const std::wstring& path);

// A root as the system reads an ordinary path, in long form without a
// trailing backslash; empty when IsBelowDriveRoot refuses it or what it reads
// as (a device such as "C:\x\nul").
std::wstring RootInLongForm(const std::wstring& root);

// Whether RealPathOf can answer on this system (not before Windows Vista).
bool CanTellRealPaths();
// The real location of an open file or folder, in long form; false when the
// system cannot tell.
bool RealPathOf(HANDLE handle, std::wstring& out);
// The real location of a folder (any form), in long form without a trailing
// backslash; empty when it cannot be opened or told.
std::wstring RealFolderPath(const std::wstring& folder);
// A real location (long form) on a drive letter or a network share. Not:
// "\\?\unix\..." (Wine's way of naming what lies outside every drive),
// "\\?\GLOBALROOT\...", volume GUID paths, device paths.
bool IsOnDriveOrShare(const std::wstring& realPath);
// Whether a real location the system reported (long form) is the one
// expected, without regard to case; Wine reports names without their
// trailing dots and spaces ("junk." as "junk"), and those are the same file.
bool SamePath(const std::wstring& real, const std::wstring& expected);
// Removes every trailing backslash but a lone one.
std::wstring WithoutTrailingBackslashes(std::wstring text);

// Whether `name` matches `pattern` character for character, where * is any
// run of characters and ? any one (one path component; the caller folds case).
// Iterative, with one point to come back to: no recursion, linear in practice.
bool MatchesWildcard(const std::wstring& pattern, const std::wstring& name);

}  // namespace purlo

// Deleting a file only when it is the file the walk named. A Unix link under
// Wine lists as a plain file, and deleting it by name deletes its target,
// wherever that is; so each file is opened once, its real location checked
// against where the walk expected it, and deleted through that same handle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace purlo {

// Whether RealPathOf can answer on this system.
bool CanTellRealPaths();

// The real location of an open file or folder, without the "\\?\" prefix.
// False when the system cannot tell (no such call before Windows Vista).
bool RealPathOf(HANDLE handle, std::wstring& out);

// The real location of a folder; empty when it cannot be opened or told.
std::wstring RealFolderPath(const std::wstring& folder);

enum class DeleteOutcome {
  Deleted,
  Missing,    // nothing there
  Failed,     // there, but could not be deleted (in use, access denied)
  Elsewhere,  // the name leads outside where it was expected: left alone
};

struct FileDeletion {
  DeleteOutcome outcome = DeleteOutcome::Missing;
  uint64_t bytes = 0;  // the file's full size, when it was deleted
};

// Deletes `path`, listed with `listedAttributes`, when it is a plain file whose
// real location equals `expectedRealPath` (compared without regard to case);
// an empty expectation skips that check, for systems that cannot tell. With
// clearAttributes, read-only, hidden and system are cleared first.
FileDeletion DeleteCheckedFile(const std::wstring& path, DWORD listedAttributes, const std::wstring& expectedRealPath,
                               bool clearAttributes);

// A single file named by a root: its expected real location is its folder's
// real location plus its listed name. The folder may be reached through a
// junction (the root names the file, wherever its folder really is); the file
// itself must not be a link.
FileDeletion DeleteSingleFile(const std::wstring& path, bool clearAttributes);

}  // namespace purlo

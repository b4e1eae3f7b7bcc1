// Deleting a file only when it is the file the walk named. A Unix link under
// Wine lists as a plain file, and deleting it by name deletes its target,
// wherever that is; so each file is opened once, its real location checked
// against where the walk expected it, and deleted through that same handle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "engine/scan/Paths.h"

namespace purlo {

enum class DeleteOutcome {
  Deleted,
  Missing,    // nothing there
  Failed,     // there, but could not be deleted (in use, access denied) or checked
  Elsewhere,  // the name leads outside where it was expected: left alone
};

struct FileDeletion {
  DeleteOutcome outcome = DeleteOutcome::Missing;
  uint64_t bytes = 0;  // the file's full size, when it was deleted
};

// Deletes `path` (long form), listed with `listedAttributes`, when it is a
// plain file whose real location equals `expectedRealPath` (long form,
// compared without regard to case); an empty expectation skips that check,
// for systems that cannot tell. A real location that cannot be told where the
// system can tell is a failure, never a deletion. With clearAttributes,
// read-only, hidden and system are cleared first.
FileDeletion DeleteCheckedFile(const std::wstring& path, DWORD listedAttributes, const std::wstring& expectedRealPath,
                               bool clearAttributes);

// A single file named by a root: its expected real location is its folder's
// real location plus its listed name. The folder may be reached through a
// junction (the root names the file, wherever its folder really is); the file
// itself must not be a link, and the folder's real location must be on a
// drive or share. A root naming a folder, or nothing, is Missing.
FileDeletion DeleteSingleFile(const std::wstring& path, bool clearAttributes);

}  // namespace purlo

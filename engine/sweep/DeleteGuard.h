// Deleting a file only when it is the file the walk named. A Unix link under
// Wine lists as a plain file, and deleting it deletes its target, wherever
// that is; so each file is opened once, relative to the handle of the folder
// that lists it, checked on that handle (a plain file, really where the walk
// expected it), and deleted through that same handle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/CheckedOpen.h"
#include "engine/core/FileHandles.h"
#include "engine/core/ProtectedFolders.h"

namespace purlo {

enum class DeleteOutcome {
  Deleted,
  Missing,    // nothing there
  Failed,     // there, but could not be deleted (in use, access denied) or checked
  Elsewhere,  // the name leads outside where it was expected: left alone
  Protected,  // a single file whose folder is a protected folder: refused
};

struct FileDeletion {
  DeleteOutcome outcome = DeleteOutcome::Missing;
  uint64_t bytes = 0;  // the file's full size, when it was deleted
};

// Deletes the entry `listed` of the folder open as `folder` when it is a
// plain file really at `expectedReal` (long form; empty skips that check,
// for systems that cannot tell), and counts it with its listed size once its
// name is gone. A real location that cannot be told where the system can
// tell is a failure, never a deletion. With deleteReadOnly, a read-only file
// goes too: in place where the system allows, otherwise with its read-only
// attribute cleared just before.
FileDeletion DeleteListedFile(HANDLE folder, const ListedEntry& listed, const std::wstring& expectedReal,
                              bool deleteReadOnly);

// A single file named by a root, opened once (OpenSingleFile) and deleted
// through that handle. Its folder may be reached through a junction; the
// file itself must not be a link, its folder not protected. A root naming a
// folder, or nothing, is Missing.
FileDeletion DeleteSingleFile(const std::wstring& path, bool deleteReadOnly,
                              const ProtectedFolders& protectedFolders = ProtectedFolders::None(),
                              std::vector<FileIdentity>* seen = nullptr);
// The same for the file `name` of a root folder open and checked at the run's start.
FileDeletion DeleteFileIn(const OpenedRoot& folder, const std::wstring& name, bool deleteReadOnly,
                          std::vector<FileIdentity>* seen = nullptr);

}  // namespace purlo

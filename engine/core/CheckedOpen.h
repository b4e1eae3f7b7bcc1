// Opening what a walk works on, and the checks that make each handle safe to
// use: made on the handle itself, before that same handle is used. Wine
// follows a Unix link even where the open asks not to, so besides what the
// handle says it is (a real folder, not a reparse point), where it really is
// (its real location) and what it is (its identity) are checked too.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/FileHandles.h"
#include "engine/core/ProtectedFolders.h"
#include "win/Handles.h"

namespace purlo {

enum class RootCheck {
  Ready,
  Unusable,   // not below a drive root, missing, not a folder, or really off every drive and share
  Protected,  // a protected folder or a folder above one
};

// A root folder, open. `path` is its long form; `real` its real location
// (long form, no trailing backslash), empty where the system cannot tell.
struct OpenedRoot {
  RootCheck check = RootCheck::Unusable;
  win::UniqueFile handle;
  std::wstring path;
  std::wstring real;
  FileIdentity identity;
};

// Opens a root by its path (links on the way and at its end followed: a
// root may be a junction) and checks the handle.
OpenedRoot OpenRoot(const std::wstring& root, const ProtectedFolders& protectedFolders, bool forRemoval);

// Opens the sub-folder `entry` of the folder open as `parent` (whose
// identity is `parentIdentity`), and keeps it only when the handle is a real
// folder, not a reparse point, the very folder the listing showed, not
// protected, and really at `expectedReal` (where the system can tell; empty
// skips that). Such a folder lies on its parent's volume: on Windows only a
// reparse point leads to another volume, and under Wine a folder's volume is
// that of the drive its real location names, which the last check holds to
// the parent's. So its identity is the parent's volume and its own index.
win::UniqueFile OpenCheckedFolder(HANDLE parent, const FileIdentity& parentIdentity, const ListedEntry& entry,
                                  const std::wstring& expectedReal, const ProtectedFolders& protectedFolders,
                                  OpenFor purpose, FileIdentity& identity);

// Whether the handle really is at `expectedReal` (long form). True where the
// system cannot tell (expectedReal empty); false where it could but did not.
bool IsReallyAt(HANDLE handle, const std::wstring& expectedReal);

enum class SingleFileCheck {
  Ready,
  Missing,    // nothing there, a folder, or not a usable path
  Protected,  // the folder that really holds it is protected
  Elsewhere,  // a link: really somewhere other than its name says
  Failed,     // there, but it could not be opened or checked
};

// A single-file root, open: its folder opened by path (a junction on the way
// still works) and checked, the file opened relative to that folder's handle.
struct OpenedFile {
  SingleFileCheck check = SingleFileCheck::Missing;
  win::UniqueFile handle;
  HandleFacts facts;
  HANDLE folder = nullptr;      // the folder it was opened relative to
  win::UniqueFile ownedFolder;  // that folder, when opened for this file alone
  std::wstring name;            // its name there
};
// `seen`, when given, holds the files (by identity) earlier roots of the same
// task named: a file named again is Missing, so it counts once.
OpenedFile OpenSingleFile(const std::wstring& root, const ProtectedFolders& protectedFolders, OpenFor purpose,
                          std::vector<FileIdentity>* seen = nullptr);
// The file `name` of a root folder already open and checked (`folder`).
OpenedFile OpenFileIn(const OpenedRoot& folder, const std::wstring& name, OpenFor purpose,
                      std::vector<FileIdentity>* seen = nullptr);

}  // namespace purlo

// The one walk of a folder tree that the scan and the sweep share. From its
// root on, everything is reached through handles: each sub-folder is opened
// relative to its parent's handle and checked on that handle before it is
// listed through it (CheckedOpen.h), and the visitor works on each file
// through the handle of the folder that lists it. No path is resolved again.
// No recursion: each level's handle and listing is kept on a list on the
// heap, so a tree of any depth is walked on a fixed stack.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/core/CheckedOpen.h"
#include "engine/core/FileFilter.h"
#include "engine/core/FileHandles.h"
#include "engine/core/FileTreeWalker.h"
#include "engine/core/Paths.h"
#include "engine/core/ProtectedFolders.h"
#include "engine/core/RunState.h"
#include "win/Handles.h"

namespace purlo {

// One file or sub-folder met by the walk.
struct WalkEntry {
  HANDLE folder;               // the checked folder that lists it
  const ListedEntry& listed;   // what the listing says of it
  const std::wstring& path;    // long form, for showing
  const std::wstring& real;    // where it must really be (long form); empty where the system cannot tell
  const std::wstring& shortNames;  // `path` with the short name of each component below the root that has one;
                                   // empty unless the run's filter has a keep list
  bool isFolder;
  bool atRoot;                 // directly in the walk's root folder
  FileIdentity identity;       // a folder's, from its opened handle; files: none
};

// A sub-folder whose content is done, still open.
struct WalkFolder {
  HANDLE handle;
  const std::wstring& path;
  FileIdentity identity;
};

// The walk behind FileTreeWalker::Walk. The visitor:
//   OpenFor kFolders                     how sub-folders are opened
//   bool BeforeEntry()                   false ends the walk
//   bool File(const WalkEntry&)          a file the walker accepted; false ends the walk
//   bool FolderDone(const WalkFolder&)   a sub-folder's content is done; false ends the walk
//   KeptFiles& Kept()                    where the files the filter kept are counted
template <typename Visitor>
void FileTreeWalker::Walk(HANDLE root, const FileIdentity& rootIdentity, std::wstring& path, std::wstring& real,
                          Visitor& visitor) const {
  struct Level {
    win::UniqueFile handle;  // empty for the root, which the caller owns
    FolderListing listing;
    FileIdentity identity;
    size_t length;
    size_t realLength;
    size_t shortLength;
  };
  const ProtectedFolders& protectedFolders = Protected();
  // Only a keep list is judged by short names.
  const bool tracksShortNames = KeepListSet(Filter());
  std::wstring shortNames = tracksShortNames ? path : std::wstring();
  std::vector<Level> levels;
  levels.push_back(
      Level{win::UniqueFile(), FolderListing(root), rootIdentity, path.size(), real.size(), shortNames.size()});
  const bool tellsReal = !real.empty();
  ListedEntry listed;
  for (;;) {
    if (!levels.back().listing.Next(listed)) {
      if (levels.size() == 1) return;
      const bool goOn = visitor.FolderDone(WalkFolder{levels.back().handle.Get(), path, levels.back().identity});
      levels.pop_back();  // closes it: a folder marked for deletion goes now
      path.resize(levels.back().length);
      real.resize(levels.back().realLength);
      shortNames.resize(levels.back().shortLength);
      if (!goOn) return;
      continue;
    }
    PassGate();
    if (!visitor.BeforeEntry()) return;
    if ((listed.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || !IsWalkableName(listed.name, listed.nameLength)) {
      continue;
    }
    const HANDLE folder = levels.back().handle ? levels.back().handle.Get() : root;
    path += L'\\';
    path.append(listed.name, listed.nameLength);
    if (tellsReal) {
      real += L'\\';
      real.append(listed.name, listed.nameLength);
    }
    if (tracksShortNames) {
      shortNames += L'\\';
      if (listed.shortNameLength > 0) {
        shortNames.append(listed.shortName, listed.shortNameLength);
      } else {
        shortNames.append(listed.name, listed.nameLength);
      }
    }
    const bool atRoot = levels.size() == 1;
    if (listed.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      FileIdentity identity;
      win::UniqueFile sub = OpenCheckedFolder(folder, levels.back().identity, listed, real, protectedFolders,
                                              Visitor::kFolders, identity);
      if (sub && Accepts(WalkEntry{folder, listed, path, real, shortNames, true, atRoot, identity}, visitor.Kept())) {
        const HANDLE opened = sub.Get();
        levels.push_back(
            Level{std::move(sub), FolderListing(opened), identity, path.size(), real.size(), shortNames.size()});
        continue;
      }
    } else {
      const WalkEntry entry{folder, listed, path, real, shortNames, false, atRoot, FileIdentity()};
      if (Accepts(entry, visitor.Kept()) && !visitor.File(entry)) return;
    }
    path.resize(levels.back().length);
    real.resize(levels.back().realLength);
    shortNames.resize(levels.back().shortLength);
  }
}

template <typename Visitor>
void FileTreeWalker::WalkRoot(const OpenedRoot& root, Visitor& visitor) const {
  if (!MayWalk(root)) return;
  std::wstring path = root.path, real = root.real;  // the walk extends them as it goes down
  Walk(root.handle.Get(), root.identity, path, real, visitor);
}

}  // namespace purlo

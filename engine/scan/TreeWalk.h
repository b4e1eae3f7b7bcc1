// The one walk of a folder tree that the scan and the sweep share. No
// recursion: each level's listing is kept on a list on the heap, so a tree of
// any depth is walked on a fixed stack.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/scan/Paths.h"
#include "engine/scan/RunState.h"
#include "win/Handles.h"

namespace purlo {

// Walks everything below `path` (a long-form folder) depth first. `real` is
// its real location (long form), or empty where the system cannot tell; both
// are the walk's path buffers: each entry's name is appended to both while
// it is visited. Reparse points (junctions, links) and names IsWalkableName
// refuses are neither entered nor shown to the visitor. The visitor:
//   bool BeforeEntry()                  false ends the walk
//   bool File(path, real, entry)        false ends the walk
//   bool FolderDone(path, real)         a sub-folder's content is done; false ends the walk
template <typename Visitor>
void WalkTree(std::wstring& path, std::wstring& real, Visitor& visitor) {
  struct Level {
    win::UniqueFind listing;
    size_t length;
    size_t realLength;
  };
  std::vector<Level> levels;
  WIN32_FIND_DATAW entry;
  const bool tellsReal = !real.empty();
  // Opens the listing of the folder `path` names; on success it is the current level.
  auto enter = [&]() {
    const size_t length = path.size();
    path += L"\\*";
    win::UniqueFind listing(::FindFirstFileW(path.c_str(), &entry));
    path.resize(length);
    if (!listing) return false;
    levels.push_back(Level{std::move(listing), length, real.size()});
    return true;
  };
  if (!enter()) return;
  bool more = true;
  for (;;) {
    if (!more) {
      levels.pop_back();
      if (levels.empty()) return;
      const bool goOn = visitor.FolderDone(path, real);
      path.resize(levels.back().length);
      real.resize(levels.back().realLength);
      if (!goOn) return;
      more = ::FindNextFileW(levels.back().listing.Get(), &entry) != FALSE;
      continue;
    }
    RunGate.Pass();
    if (!visitor.BeforeEntry()) return;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 && IsWalkableName(entry.cFileName)) {
      const size_t length = levels.back().length;
      const size_t realLength = levels.back().realLength;
      path += L'\\';
      path += entry.cFileName;
      if (tellsReal) {
        real += L'\\';
        real += entry.cFileName;
      }
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        if (enter()) continue;  // its first entry is in `entry` now
      } else if (!visitor.File(path, real, entry)) {
        return;
      }
      path.resize(length);
      real.resize(realLength);
    }
    more = ::FindNextFileW(levels.back().listing.Get(), &entry) != FALSE;
  }
}

}  // namespace purlo

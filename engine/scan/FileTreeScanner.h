// The scan's visitor of a folder tree: counts every file below a root with
// its full size. Its figures belong to it, not to one call: walks add to them
// until Reset.
#pragma once

#include <string>

#include "engine/core/FileTreeWalker.h"

namespace purlo {

class FileTreeScanner : public WalkVisitor {
 public:
  using WalkVisitor::WalkVisitor;

  // Counts every file below `path` with its full size: every file the sweep
  // would delete or report. Entries that are reparse points (junctions,
  // links) or whose names hold a path separator are neither entered nor
  // counted. Empty, relative and drive-root paths walk nothing, nor does a
  // folder whose real location is not on a drive or share, nor a protected
  // folder. Paths of any length work. Stops early once the run's
  // StopRequested or ShutdownRequested is 1.
  WalkResult ScanFolder(std::wstring path);
  // The same from a root opened and checked at the run's start.
  WalkResult ScanRoot(const OpenedRoot& root);

 private:
  // The walk's calls (TreeWalk.h).
  friend class FileTreeWalker;
  static constexpr OpenFor kFolders = OpenFor::Listing;
  bool File(const WalkEntry& entry);
  bool FolderDone(const WalkFolder&);
  bool BeforeEntry() { return true; }
};

}  // namespace purlo

// Walks one folder tree: the scan measures it (ScanFolder); the sweep's
// FileTreeDeleter (engine/sweep) empties it on the same rules. The counters
// belong to the walker, not to one call: walks add to them until Reset.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/CategoryWalk.h"
#include "engine/core/FileHandles.h"
#include "engine/core/ProtectedFolders.h"
#include "engine/core/RunRoots.h"

namespace purlo {

class RunView;
struct WalkEntry;
struct OpenedRoot;

struct WalkResult {
  uint64_t bytes = 0;
  int64_t files = 0;
  std::vector<std::wstring> failedPaths;
  // Sweep only: files left alone on purpose, because their real location is
  // not where their name was found (links).
  std::vector<std::wstring> skippedPaths;
};

class FileTreeWalker {
 public:
  // progress, when given, is told each file a scan has counted and each file
  // a sweep works on, as files of `category`.
  explicit FileTreeWalker(RunView* progress = nullptr, JunkCategory category = JunkCategory::SystemTemp);

  // The folders no walk may enter or take as its root, and above which no
  // root may lie; a root that is one is reported to `progress` as refused.
  // None unless set.
  void SetProtectedFolders(std::shared_ptr<const ProtectedFolders> protectedFolders);
  // The folder roots of every category of the run: a walk does not enter one
  // that belongs to another category (that one counts and sweeps it), and a
  // sweep removes none of them. None unless set.
  void SetRunRoots(std::shared_ptr<const RunRoots> runRoots);
  // The file-name pattern of the root walked next (null: every file).
  void SetNamePattern(const wchar_t* pattern) { categoryWalk_.SetNamePattern(pattern); }

  // Counts every file below `path` with its full size: every file the sweep
  // would delete or report. Entries that are reparse points (junctions,
  // links) or whose names hold a path separator are neither entered nor
  // counted. Empty, relative and drive-root paths walk nothing, nor does a
  // folder whose real location is not on a drive or share, nor a protected
  // folder. Paths of any length work. Stops early once StopRequested or
  // ShutdownRequested is 1.
  WalkResult ScanFolder(std::wstring path);
  // The same from a root opened and checked at the run's start.
  WalkResult ScanRoot(const OpenedRoot& root);

  void Reset();

 protected:
  WalkResult Result() const;
  // The one place where the walk's files and folders are taken or left alone.
  bool Accepts(const WalkEntry& entry) const;
  bool IsRootOfTheRun(const FileIdentity& identity) const;
  const ProtectedFolders& Protected() const;
  // Opens a root for a walk; a protected one is reported.
  bool OpenRootFor(const std::wstring& root, bool forRemoval, OpenedRoot& opened) const;

  uint64_t byteTotal_ = 0;
  int64_t fileCount_ = 0;
  std::vector<std::wstring> failedPaths_;
  std::vector<std::wstring> skippedPaths_;
  RunView* progress_ = nullptr;
  JunkCategory category_;

 private:
  friend struct ScanVisitor;

  std::shared_ptr<const ProtectedFolders> protected_;
  std::shared_ptr<const RunRoots> runRoots_;
  CategoryWalk categoryWalk_;
};

}  // namespace purlo

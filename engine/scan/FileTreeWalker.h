// Walks one folder tree: the scan measures it (ScanFolder), the sweep empties
// it (SetRoot, SweepFolder). The counters belong to the walker, not to one
// call: walks add to them until Reset.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/scan/Catalogue.h"

namespace purlo {

class RunView;

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
  explicit FileTreeWalker(std::wstring root = std::wstring(), RunView* progress = nullptr,
                          JunkCategory category = JunkCategory::SystemTemp);

  // Counts every file below `path` with its full size: every file the sweep
  // would delete or report. Entries that are reparse points (junctions,
  // links) or whose names hold a path separator are neither entered nor
  // counted. Empty, relative and drive-root paths walk nothing, nor does a
  // folder whose real location is not on a drive or share. Paths of any
  // length work. Stops early once StopRequested or ShutdownRequested is 1.
  WalkResult ScanFolder(std::wstring path);

  void Reset();

  // Sweep side. SweepFolder deletes every file below `path` that it can,
  // clearing read-only, hidden and system first, and removes the sub-folders
  // left empty; `path` itself is removed only when it is not the root. Never
  // removes a kept folder. Counts what was deleted with its full size; lists
  // the files that could not be deleted (failed) and the files left alone
  // because their real location is elsewhere (skipped). Never enters or
  // deletes a reparse point, and walks nothing where ScanFolder walks
  // nothing. Stops early once ShutdownRequested is 1.
  void SetRoot(std::wstring path);
  // Folders (ComparableFolder forms) a sweep never removes: every root of the task.
  void SetKeptFolders(std::vector<std::wstring> comparable);
  WalkResult SweepFolder(std::wstring path);

 private:
  friend struct ScanVisitor;
  friend struct SweepVisitor;
  WalkResult Result() const;
  bool IsKept(const std::wstring& path, const std::wstring& real) const;

  std::wstring root_;
  uint64_t byteTotal_ = 0;
  int64_t fileCount_ = 0;
  std::vector<std::wstring> failedPaths_;
  std::vector<std::wstring> skippedPaths_;
  std::vector<std::wstring> kept_;
  RunView* progress_ = nullptr;
  JunkCategory category_;
};

}  // namespace purlo

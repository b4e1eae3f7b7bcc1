// Walks one folder tree: the scan measures it (ScanFolder), the sweep empties
// it (SetRoot, SweepFolder). The counters belong to the walker, not to one
// call: nested walks add to them until Reset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace purlo {

class RunView;

struct WalkResult {
  uint64_t bytes = 0;
  int64_t files = 0;
  std::vector<std::wstring> failedPaths;
};

class FileTreeWalker {
 public:
  // progress, when given, is told each file a scan has measured.
  explicit FileTreeWalker(std::wstring root = std::wstring(), RunView* progress = nullptr);

  // Counts every file below `path` that can be opened for reading, with its
  // full size. Entries that are reparse points (junctions, links) are neither
  // entered nor counted. Empty, relative and drive-root paths walk nothing.
  // Stops early once StopRequested is 1.
  WalkResult ScanFolder(std::wstring path);

  void Reset();

  // Sweep side. SweepFolder deletes every file below `path` that it can,
  // clearing read-only, hidden and system first, and removes the sub-folders
  // left empty; `path` itself is removed only when it is not the root. Counts
  // what was deleted with its full size; lists the files that could not be.
  // Never enters or deletes a reparse point, never deletes a file whose real
  // location is not where the walk found its name (a link), and walks nothing
  // for empty, relative and drive-root paths.
  void SetRoot(std::wstring path);
  WalkResult SweepFolder(std::wstring path);

 private:
  // Both return true when the walk must unwind.
  bool ScanLevel(std::wstring& folder);
  void SweepLevel(std::wstring& folder, std::wstring& real);
  bool CountFile(const std::wstring& path);
  WalkResult Result() const;

  std::wstring root_;
  uint64_t byteTotal_ = 0;
  int64_t fileCount_ = 0;
  std::vector<std::wstring> failedPaths_;
  RunView* progress_ = nullptr;
};

}  // namespace purlo

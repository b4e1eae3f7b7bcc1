// The sweep's visitor of a folder tree: empties it on the rules the scan
// counts it by, keeps its root and every other root of the task. Its figures
// belong to it: walks add to them until Reset.
#pragma once

#include <string>
#include <vector>

#include "engine/core/FileTreeWalker.h"

namespace purlo {

class FileTreeDeleter : public WalkVisitor {
 public:
  using WalkVisitor::WalkVisitor;

  // The folder whose contents go while it stays itself.
  void SetRoot(std::wstring path);
  // Folders a sweep never removes, known by their identities: every root of
  // the task (ordinary or long form; those that do not exist are left out).
  void SetKeptFolders(const std::vector<std::wstring>& folders);
  // The same by identities already known.
  void SetKeptFolders(std::vector<FileIdentity> folders) { kept_ = std::move(folders); }

  // Deletes every file below `path` that it can, clearing read-only, hidden
  // and system first, and removes the sub-folders left empty; `path` itself
  // is removed only when it is not the root. Never removes a kept folder.
  // Counts what was deleted with its full size; lists the files that could
  // not be deleted (failed) and the files left alone because their real
  // location is elsewhere (skipped). Never enters or deletes a reparse point,
  // and walks nothing where ScanFolder walks nothing. Stops early once
  // the run's ShutdownRequested is 1.
  WalkResult SweepFolder(std::wstring path);
  // Empties a root opened and checked at the run's start; the root stays.
  WalkResult SweepRoot(const OpenedRoot& root);

  // The figures and the root.
  void Reset();

 private:
  friend class FileTreeWalker;
  static constexpr OpenFor kFolders = OpenFor::ListingAndRemoval;
  bool BeforeEntry();
  bool File(const WalkEntry& entry);
  bool FolderDone(const WalkFolder& folder);
  bool IsKept(const FileIdentity& identity) const;

  std::wstring root_;
  std::vector<FileIdentity> kept_;
};

}  // namespace purlo

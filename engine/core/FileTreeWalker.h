// The walk of one category's folder trees, shared by the scan
// (engine/scan/FileTreeScanner) and the sweep (engine/sweep/FileTreeDeleter):
// which roots it may start from, which files and folders it takes, and the
// handle walk itself (TreeWalk.h). It keeps no figures: each visitor owns
// what it measured or removed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/CategoryWalk.h"
#include "engine/core/CheckedOpen.h"
#include "engine/core/FileFilter.h"
#include "engine/core/FileHandles.h"
#include "engine/core/ProtectedFolders.h"
#include "engine/core/RunRoots.h"

namespace purlo {

class Run;
class RunView;
struct WalkEntry;
struct WalkFolder;

// What walks of one visitor found, added up until its Reset.
struct WalkResult {
  uint64_t bytes = 0;
  int64_t files = 0;
  std::vector<std::wstring> failedPaths;
  // Sweep only: files left alone on purpose, because their real location is
  // not where their name was found (links).
  std::vector<std::wstring> skippedPaths;
  // Left alone by the run's filter: too young, or on the keep list.
  KeptFiles kept;
};

class FileTreeWalker {
 public:
  // Roots it refuses are told to `view`, when given, as roots of `category`.
  explicit FileTreeWalker(RunView* view = nullptr, JunkCategory category = JunkCategory::SystemTemp);

  // The folders no walk may enter or take as its root, and above which no
  // root may lie; a root that is one is reported as refused. None unless set.
  void SetProtectedFolders(std::shared_ptr<const ProtectedFolders> protectedFolders);
  // The folder roots of every category of the run: a walk does not enter one
  // that belongs to another category (that one counts and sweeps it), and a
  // sweep removes none of them. None unless set.
  void SetRunRoots(std::shared_ptr<const RunRoots> runRoots);
  // The run the walk belongs to: its stop flags, its gate and its filter.
  // Without one a walk never pauses, stops early or keeps a file.
  void SetRun(const Run* run) { run_ = run; }
  // The file-name pattern of the root walked next (null: every file).
  void SetNamePattern(const wchar_t* pattern) { categoryWalk_.SetNamePattern(pattern); }
  // The run's questions; all no without a run.
  const FileFilter* Filter() const;
  // Waits while the run is paused.
  void PassGate() const;
  bool ScanMustStop() const;
  bool ShuttingDown() const;

  // Opens `root` by its path and checks it (OpenRoot); a protected one is
  // reported. True when a walk may start there: usable, and not kept by the
  // filter.
  bool OpenRootFor(const std::wstring& root, bool forRemoval, OpenedRoot& opened) const;
  // Whether a root opened and checked at the run's start may be walked.
  bool MayWalk(const OpenedRoot& root) const;

  // Walks everything below the folder open as `root` (TreeWalk.h), with its
  // identity; `path` and `real` are its long form and real location,
  // extended as it goes down. Entries that are reparse points, names a walk must not join,
  // sub-folders that fail their checks, folders of another category's root,
  // the category's never-entered folders and what the filter keeps (counted
  // into visitor.Kept()) are not shown to the visitor.
  template <typename Visitor>
  void Walk(HANDLE root, const FileIdentity& rootIdentity, std::wstring& path, std::wstring& real,
            Visitor& visitor) const;

  // The same from a root opened and checked (OpenRootFor, or at the run's
  // start), when MayWalk allows.
  template <typename Visitor>
  void WalkRoot(const OpenedRoot& root, Visitor& visitor) const;

  bool IsRootOfTheRun(const FileIdentity& identity) const;
  const ProtectedFolders& Protected() const;
  JunkCategory Category() const { return category_; }

 private:
  // The one place where the walk's files and folders are taken or left alone.
  bool Accepts(const WalkEntry& entry, KeptFiles& kept) const;

  RunView* view_;
  JunkCategory category_;
  std::shared_ptr<const ProtectedFolders> protected_;
  std::shared_ptr<const RunRoots> runRoots_;
  const Run* run_ = nullptr;
  CategoryWalk categoryWalk_;
};

// What the scan's and the sweep's visitors share: the walker they walk with,
// and their own figures, which walks add to until Reset.
class WalkVisitor {
 public:
  // progress, when given, is told each file counted or worked on, as a file
  // of `category`.
  explicit WalkVisitor(RunView* progress = nullptr, JunkCategory category = JunkCategory::SystemTemp)
      : walker_(progress, category), progress_(progress) {}

  // What the walks keep to.
  FileTreeWalker& Walker() { return walker_; }
  // Where the walk counts what the filter kept.
  KeptFiles& Kept() { return result_.kept; }
  // Forgets the figures.
  void Reset() { result_ = WalkResult(); }

 protected:
  FileTreeWalker walker_;
  RunView* progress_;
  WalkResult result_;
};

}  // namespace purlo

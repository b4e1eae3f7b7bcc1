#include "engine/sweep/FileTreeDeleter.h"

#include <windows.h>

#include <algorithm>

#include "engine/core/ByteCount.h"
#include "engine/core/CheckedOpen.h"
#include "engine/core/FileFilter.h"
#include "engine/core/Paths.h"
#include "engine/core/RunView.h"
#include "engine/core/TreeWalk.h"
#include "engine/sweep/DeleteGuard.h"

namespace purlo {

struct SweepVisitor {
  static constexpr OpenFor kFolders = OpenFor::ListingAndRemoval;
  FileTreeDeleter& walker;

  // A closing program stops between files, never inside one.
  bool BeforeEntry() {
    walker.PassGate();
    return !walker.ShuttingDown();
  }

  bool WantsShortNames() const { return KeepListSet(walker.Filter()); }

  bool Accepts(const WalkEntry& entry) { return walker.Accepts(entry); }

  bool File(const WalkEntry& entry) {
    if (walker.progress_ != nullptr) walker.progress_->ShowSweepingPath(OrdinaryForm(entry.path));
    FileDeletion deletion = DeleteListedFile(entry.folder, entry.listed, entry.real, true);
    switch (deletion.outcome) {
      case DeleteOutcome::Deleted:
        ++walker.fileCount_;
        AddBytes(walker.byteTotal_, deletion.bytes);
        break;
      case DeleteOutcome::Failed: walker.failedPaths_.push_back(OrdinaryForm(entry.path)); break;
      case DeleteOutcome::Elsewhere: walker.skippedPaths_.push_back(OrdinaryForm(entry.path)); break;
      case DeleteOutcome::Missing:
      case DeleteOutcome::Protected: break;
    }
    return true;
  }

  // Removed through its own handle; stays when something in it stayed, and
  // always when it is a root of the task.
  bool FolderDone(const WalkFolder& folder) {
    if (!walker.IsKept(folder.identity)) MarkForDeletion(folder.handle, false);
    return true;
  }
};

void FileTreeDeleter::SetRoot(std::wstring path) { root_ = WithoutTrailingBackslash(std::move(path)); }

void FileTreeDeleter::Reset() {
  FileTreeWalker::Reset();
  root_.clear();
}

bool FileTreeDeleter::IsKept(const FileIdentity& identity) const {
  return IsRootOfTheRun(identity) || std::find(kept_.begin(), kept_.end(), identity) != kept_.end();
}

void FileTreeDeleter::SetKeptFolders(const std::vector<std::wstring>& folders) {
  kept_.clear();
  for (const std::wstring& folder : folders) {
    OpenedRoot opened = OpenRoot(OrdinaryForm(folder), ProtectedFolders::None(), false);
    if (opened.check == RootCheck::Ready) kept_.push_back(opened.identity);
  }
}

WalkResult FileTreeDeleter::SweepFolder(std::wstring path) {
  const bool keep = (WithoutTrailingBackslash(path) == root_);
  OpenedRoot root;
  // Opened once; everything below is reached through this handle.
  if (!OpenRootFor(path, !keep, root)) return Result();
  SweepVisitor visitor{*this};
  WalkTree(root.handle.Get(), root.path, root.real, Protected(), visitor);
  if (!keep && !ShuttingDown()) visitor.FolderDone(WalkFolder{root.handle.Get(), root.path, root.identity});
  return Result();
}

WalkResult FileTreeDeleter::SweepRoot(const OpenedRoot& root) {
  if (!root.handle || KeptRoot(root.path, root.real)) return Result();
  SweepVisitor visitor{*this};
  std::wstring path = root.path, real = root.real;  // the walk extends them as it goes down
  WalkTree(root.handle.Get(), path, real, Protected(), visitor);
  return Result();
}

}  // namespace purlo

#include "engine/sweep/FileTreeDeleter.h"

#include <windows.h>

#include <algorithm>

#include "engine/core/ByteCount.h"
#include "engine/core/Paths.h"
#include "engine/core/RunView.h"
#include "engine/core/TreeWalk.h"
#include "engine/sweep/DeleteGuard.h"

namespace purlo {

// A closing program stops between files, never inside one.
bool FileTreeDeleter::BeforeEntry() { return !walker_.ShuttingDown(); }

bool FileTreeDeleter::File(const WalkEntry& entry) {
  if (progress_ != nullptr) progress_->ShowSweepingPath(OrdinaryForm(entry.path));
  FileDeletion deletion = DeleteListedFile(entry.folder, entry.listed, entry.real, true);
  switch (deletion.outcome) {
    case DeleteOutcome::Deleted:
      ++result_.files;
      AddBytes(result_.bytes, deletion.bytes);
      break;
    case DeleteOutcome::Failed: result_.failedPaths.push_back(OrdinaryForm(entry.path)); break;
    case DeleteOutcome::Elsewhere: result_.skippedPaths.push_back(OrdinaryForm(entry.path)); break;
    case DeleteOutcome::Missing:
    case DeleteOutcome::Protected: break;
  }
  return true;
}

// Removed through its own handle; stays when something in it stayed, and
// always when it is a root of the task.
bool FileTreeDeleter::FolderDone(const WalkFolder& folder) {
  if (!IsKept(folder.identity)) MarkForDeletion(folder.handle, false);
  return true;
}

void FileTreeDeleter::SetRoot(std::wstring path) { root_ = WithoutTrailingBackslash(std::move(path)); }

void FileTreeDeleter::Reset() {
  WalkVisitor::Reset();
  root_.clear();
}

bool FileTreeDeleter::IsKept(const FileIdentity& identity) const {
  return walker_.IsRootOfTheRun(identity) || std::find(kept_.begin(), kept_.end(), identity) != kept_.end();
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
  if (!walker_.OpenRootFor(path, !keep, root)) return result_;
  walker_.Walk(root.handle.Get(), root.identity, root.path, root.real, *this);
  if (!keep && !walker_.ShuttingDown()) FolderDone(WalkFolder{root.handle.Get(), root.path, root.identity});
  return result_;
}

WalkResult FileTreeDeleter::SweepRoot(const OpenedRoot& root) {
  walker_.WalkRoot(root, *this);
  return result_;
}

}  // namespace purlo

// The sweep side of FileTreeWalker: empties a folder tree, keeps its root and
// every other root of the task.
#include <windows.h>

#include "engine/scan/FileTreeWalker.h"
#include "engine/scan/Paths.h"
#include "engine/scan/RunState.h"
#include "engine/scan/RunView.h"
#include "engine/scan/TreeWalk.h"
#include "engine/sweep/DeleteGuard.h"
#include "win/Text.h"

namespace purlo {

struct SweepVisitor {
  FileTreeWalker& walker;

  // A closing program stops between files, never inside one.
  bool BeforeEntry() { return ShutdownRequested.load() != 1; }

  bool File(const std::wstring& path, const std::wstring& real, const WIN32_FIND_DATAW& entry) {
    if (walker.progress_ != nullptr) walker.progress_->ShowSweepingPath(OrdinaryForm(path));
    FileDeletion deletion = DeleteCheckedFile(path, entry.dwFileAttributes, real, true);
    switch (deletion.outcome) {
      case DeleteOutcome::Deleted:
        ++walker.fileCount_;
        walker.byteTotal_ += deletion.bytes;
        break;
      case DeleteOutcome::Failed: walker.failedPaths_.push_back(OrdinaryForm(path)); break;
      case DeleteOutcome::Elsewhere: walker.skippedPaths_.push_back(OrdinaryForm(path)); break;
      case DeleteOutcome::Missing: break;
    }
    return true;
  }

  // Stays when something in it stayed, and always when it is a root of the task.
  bool FolderDone(const std::wstring& path, const std::wstring& real) {
    if (!walker.IsKept(path, real)) ::RemoveDirectoryW(path.c_str());
    return true;
  }
};

void FileTreeWalker::SetRoot(std::wstring path) { root_ = WithoutTrailingBackslash(std::move(path)); }

void FileTreeWalker::SetKeptFolders(std::vector<std::wstring> comparable) { kept_ = std::move(comparable); }

bool FileTreeWalker::IsKept(const std::wstring& path, const std::wstring& real) const {
  if (kept_.empty()) return false;
  const std::wstring form = win::ToUpper(real.empty() ? path : real);
  for (const std::wstring& k : kept_) {
    if (k == form) return true;
  }
  return false;
}

WalkResult FileTreeWalker::SweepFolder(std::wstring path) {
  path = WithoutTrailingBackslash(std::move(path));
  std::wstring longPath, real;
  // Where the folder really is; every file deleted must really lie there.
  if (!PrepareWalk(path, longPath, real)) return Result();
  const bool keep = (path == root_);
  SweepVisitor visitor{*this};
  WalkTree(longPath, real, visitor);
  if (!keep && ShutdownRequested.load() != 1) visitor.FolderDone(longPath, real);
  return Result();
}

}  // namespace purlo

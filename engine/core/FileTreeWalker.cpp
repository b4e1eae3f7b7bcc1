#include "engine/core/FileTreeWalker.h"

#include "engine/core/Run.h"
#include "engine/core/RunView.h"
#include "engine/core/TreeWalk.h"

namespace purlo {

FileTreeWalker::FileTreeWalker(RunView* view, JunkCategory category)
    : view_(view), category_(category), categoryWalk_(category) {}

const FileFilter* FileTreeWalker::Filter() const { return run_ != nullptr ? run_->Filter() : nullptr; }

void FileTreeWalker::PassGate() const {
  if (run_ != nullptr) run_->RunGate.Pass();
}

bool FileTreeWalker::ScanMustStop() const { return run_ != nullptr && run_->ScanMustStop(); }

bool FileTreeWalker::ShuttingDown() const { return run_ != nullptr && run_->ShuttingDown(); }

void FileTreeWalker::SetProtectedFolders(std::shared_ptr<const ProtectedFolders> protectedFolders) {
  protected_ = std::move(protectedFolders);
}

void FileTreeWalker::SetRunRoots(std::shared_ptr<const RunRoots> runRoots) { runRoots_ = std::move(runRoots); }

const ProtectedFolders& FileTreeWalker::Protected() const {
  return protected_ ? *protected_ : ProtectedFolders::None();
}

namespace {

// What the run's filter judges a file by: its dates and size as listed.
WIN32_FIND_DATAW FindDataOf(const ListedEntry& listed) {
  WIN32_FIND_DATAW data = {};
  data.dwFileAttributes = listed.attributes;
  data.ftCreationTime.dwLowDateTime = listed.creationTime.LowPart;
  data.ftCreationTime.dwHighDateTime = static_cast<DWORD>(listed.creationTime.HighPart);
  data.ftLastWriteTime.dwLowDateTime = listed.lastWriteTime.LowPart;
  data.ftLastWriteTime.dwHighDateTime = static_cast<DWORD>(listed.lastWriteTime.HighPart);
  data.nFileSizeLow = static_cast<DWORD>(listed.size);
  data.nFileSizeHigh = static_cast<DWORD>(listed.size >> 32);
  return data;
}

}  // namespace

// Another category's root is that category's to walk; a folder the category
// never enters is left as it is, and so is what its row leaves (never-touched
// names, files outside the root's pattern or too young); the run's keep list and age limit: a kept
// folder is not entered, a kept file not shown.
bool FileTreeWalker::Accepts(const WalkEntry& entry, KeptFiles& kept) const {
  if (entry.isFolder && runRoots_ && runRoots_->IsRootOfAnother(entry.identity, category_)) return false;
  if (entry.isFolder && entry.atRoot && IsNeverEntered(category_, entry.listed.name, entry.listed.nameLength)) {
    return false;
  }
  if (entry.isFolder ? categoryWalk_.LeavesFolder(entry.listed) : categoryWalk_.LeavesFile(entry.listed)) return false;
  const FileFilter* filter = Filter();
  if (filter == nullptr) return true;
  if (entry.isFolder) return !KeptFolder(filter, entry.path, entry.real, entry.shortNames);
  return !KeptFile(filter, entry.path, entry.real, FindDataOf(entry.listed), entry.shortNames, kept);
}

bool FileTreeWalker::IsRootOfTheRun(const FileIdentity& identity) const {
  return runRoots_ && runRoots_->IsRoot(identity);
}

bool FileTreeWalker::OpenRootFor(const std::wstring& root, bool forRemoval, OpenedRoot& opened) const {
  opened = OpenRoot(root, Protected(), forRemoval);
  if (opened.check == RootCheck::Protected && view_ != nullptr) {
    view_->RootRefused(category_, root,
                       Protected().IsProtected(opened.identity) ? RootRefusal::Protected : RootRefusal::AboveProtected);
  }
  return opened.check == RootCheck::Ready && MayWalk(opened);
}

bool FileTreeWalker::MayWalk(const OpenedRoot& root) const {
  return root.handle && !KeptFolder(Filter(), root.path, root.real);
}

}  // namespace purlo

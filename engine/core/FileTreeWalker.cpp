#include "engine/core/FileTreeWalker.h"

#include "engine/core/ByteCount.h"
#include "engine/core/CheckedOpen.h"
#include "engine/core/FileFilter.h"
#include "engine/core/Paths.h"
#include "engine/core/RunState.h"
#include "engine/core/RunView.h"
#include "engine/core/TreeWalk.h"
#include "win/Handles.h"

namespace purlo {

namespace {

bool ScanMustStop() { return StopRequested.load() == 1 || ShutdownRequested.load() == 1; }

}  // namespace

// Every listed file counts, as the sweep would delete it or list it as
// failed: opened relative to its folder for its attributes only, which a
// program holding the file without sharing does not prevent. Where even that
// open fails (access denied) the listed size stands in; a file gone since
// the listing, or a folder now in its place, is not counted.
struct ScanVisitor {
  static constexpr OpenFor kFolders = OpenFor::Listing;
  FileTreeWalker& walker;

  bool BeforeEntry() { return true; }

  bool WantsShortNames() const { return KeepListSet(); }

  bool Accepts(const WalkEntry& entry) { return walker.Accepts(entry); }

  bool File(const WalkEntry& entry) {
    DWORD error = 0;
    win::UniqueFile file = OpenRelative(entry.folder, entry.listed.name, entry.listed.nameLength, OpenFor::Measuring, error);
    uint64_t size = entry.listed.size;
    if (!file && (IsMissingError(error) || error == ERROR_DIRECTORY)) return true;
    HandleFacts facts;
    if (file && SizeOf(file.Get(), facts)) {
      if (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
      size = facts.size;
    }
    file.Reset();
    AddBytes(walker.byteTotal_, size);
    ++walker.fileCount_;
    if (walker.progress_ != nullptr) {
      const std::wstring shown = OrdinaryForm(entry.path);
      walker.progress_->ShowScanningPath(shown);
      walker.progress_->FileCounted(walker.category_, shown, size);
    }
    return !ScanMustStop();
  }

  bool FolderDone(const WalkFolder&) { return !ScanMustStop(); }
};

FileTreeWalker::FileTreeWalker(RunView* progress, JunkCategory category)
    : progress_(progress), category_(category), categoryWalk_(category) {}

void FileTreeWalker::Reset() {
  failedPaths_.clear();
  skippedPaths_.clear();
  byteTotal_ = 0;
  fileCount_ = 0;
}

WalkResult FileTreeWalker::Result() const { return WalkResult{byteTotal_, fileCount_, failedPaths_, skippedPaths_}; }

void FileTreeWalker::SetProtectedFolders(std::shared_ptr<const ProtectedFolders> protectedFolders) {
  protected_ = std::move(protectedFolders);
}

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

void FileTreeWalker::SetRunRoots(std::shared_ptr<const RunRoots> runRoots) { runRoots_ = std::move(runRoots); }

// Another category's root is that category's to walk; a folder the category
// never enters is left as it is, and so is what its row leaves (never-touched
// names, files outside the root's pattern or too young); the run's keep list and age limit: a kept
// folder is not entered, a kept file not shown.
bool FileTreeWalker::Accepts(const WalkEntry& entry) const {
  if (entry.isFolder && runRoots_ && runRoots_->IsRootOfAnother(entry.identity, category_)) return false;
  if (entry.isFolder && entry.atRoot && IsNeverEntered(category_, entry.listed.name, entry.listed.nameLength)) {
    return false;
  }
  if (entry.isFolder ? categoryWalk_.LeavesFolder(entry.listed) : categoryWalk_.LeavesFile(entry.listed)) return false;
  if (entry.isFolder) return !KeptFolder(entry.path, entry.real, entry.shortNames);
  return !KeptFile(entry.path, entry.real, FindDataOf(entry.listed), entry.shortNames);
}

bool FileTreeWalker::IsRootOfTheRun(const FileIdentity& identity) const {
  return runRoots_ && runRoots_->IsRoot(identity);
}

bool FileTreeWalker::OpenRootFor(const std::wstring& root, bool forRemoval, OpenedRoot& opened) const {
  opened = OpenRoot(root, Protected(), forRemoval);
  if (opened.check == RootCheck::Protected && progress_ != nullptr) {
    progress_->RootRefused(category_, root,
                           Protected().IsProtected(opened.identity) ? RootRefusal::Protected : RootRefusal::AboveProtected);
  }
  return opened.check == RootCheck::Ready && !KeptFolder(opened.path, opened.real);
}

WalkResult FileTreeWalker::ScanFolder(std::wstring path) {
  OpenedRoot root;
  if (!OpenRootFor(path, false, root)) return Result();
  return ScanRoot(root);
}

WalkResult FileTreeWalker::ScanRoot(const OpenedRoot& root) {
  if (!root.handle || KeptFolder(root.path, root.real)) return Result();
  ScanVisitor visitor{*this};
  std::wstring path = root.path, real = root.real;  // the walk extends them as it goes down
  WalkTree(root.handle.Get(), path, real, Protected(), visitor);
  return Result();
}

}  // namespace purlo

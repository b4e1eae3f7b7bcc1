#include "engine/scan/FileTreeScanner.h"

#include "engine/core/ByteCount.h"
#include "engine/core/RunView.h"
#include "engine/core/TreeWalk.h"

namespace purlo {

// Every listed file counts, as the sweep would delete it or list it as
// failed: opened relative to its folder for its attributes only, which a
// program holding the file without sharing does not prevent. Where even that
// open fails (access denied) the listed size stands in; a file gone since
// the listing, or a folder now in its place, is not counted.
bool FileTreeScanner::File(const WalkEntry& entry) {
  DWORD error = 0;
  win::UniqueFile file =
      OpenRelative(entry.folder, entry.listed.name, entry.listed.nameLength, OpenFor::Measuring, error);
  uint64_t size = entry.listed.size;
  if (!file && (IsMissingError(error) || error == ERROR_DIRECTORY)) return true;
  HandleFacts facts;
  if (file && SizeOf(file.Get(), facts)) {
    if (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    size = facts.size;
  }
  file.Reset();
  AddBytes(result_.bytes, size);
  ++result_.files;
  if (progress_ != nullptr) {
    const std::wstring shown = OrdinaryForm(entry.path);
    progress_->ShowScanningPath(shown);
    progress_->FileCounted(walker_.Category(), shown, size);
  }
  return !walker_.ScanMustStop();
}

bool FileTreeScanner::FolderDone(const WalkFolder&) { return !walker_.ScanMustStop(); }

WalkResult FileTreeScanner::ScanFolder(std::wstring path) {
  OpenedRoot root;
  if (!walker_.OpenRootFor(path, false, root)) return result_;
  return ScanRoot(root);
}

WalkResult FileTreeScanner::ScanRoot(const OpenedRoot& root) {
  walker_.WalkRoot(root, *this);
  return result_;
}

}  // namespace purlo

#include "engine/scan/FileTreeWalker.h"

#include "engine/scan/Paths.h"
#include "engine/scan/RunState.h"
#include "engine/scan/RunView.h"
#include "engine/scan/TreeWalk.h"
#include "win/Handles.h"

namespace purlo {

namespace {

bool ScanMustStop() { return StopRequested.load() == 1 || ShutdownRequested.load() == 1; }

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

}  // namespace

// Every listed file counts, as the sweep would delete it or list it as
// failed: opened for its attributes only, which a program holding the file
// without sharing does not prevent. Where even that open fails (access
// denied) the listed size stands in; a file gone since the listing is not counted.
struct ScanVisitor {
  FileTreeWalker& walker;

  bool BeforeEntry() { return true; }

  bool File(const std::wstring& path, const std::wstring&, const WIN32_FIND_DATAW& entry) {
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    LARGE_INTEGER size;
    if (!file) {
      if (IsMissing(::GetLastError())) return true;
      size.LowPart = entry.nFileSizeLow;
      size.HighPart = static_cast<LONG>(entry.nFileSizeHigh);
    } else if (!::GetFileSizeEx(file.Get(), &size)) {
      size.LowPart = entry.nFileSizeLow;
      size.HighPart = static_cast<LONG>(entry.nFileSizeHigh);
    }
    file.Reset();
    walker.byteTotal_ += static_cast<uint64_t>(size.QuadPart);
    ++walker.fileCount_;
    if (walker.progress_ != nullptr) {
      const std::wstring shown = OrdinaryForm(path);
      walker.progress_->ShowScanningPath(shown);
      walker.progress_->FileCounted(walker.category_, shown, static_cast<uint64_t>(size.QuadPart));
    }
    return !ScanMustStop();
  }

  bool FolderDone(const std::wstring&, const std::wstring&) { return !ScanMustStop(); }
};

FileTreeWalker::FileTreeWalker(std::wstring root, RunView* progress, JunkCategory category)
    : root_(std::move(root)), progress_(progress), category_(category) {}

void FileTreeWalker::Reset() {
  failedPaths_.clear();
  skippedPaths_.clear();
  byteTotal_ = 0;
  fileCount_ = 0;
  root_.clear();
}

WalkResult FileTreeWalker::Result() const { return WalkResult{byteTotal_, fileCount_, failedPaths_, skippedPaths_}; }

WalkResult FileTreeWalker::ScanFolder(std::wstring path) {
  std::wstring longPath, real;
  if (!PrepareWalk(path, longPath, real)) return Result();
  ScanVisitor visitor{*this};
  WalkTree(longPath, real, visitor);
  return Result();
}

}  // namespace purlo

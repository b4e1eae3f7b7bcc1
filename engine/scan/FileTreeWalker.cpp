#include "engine/scan/FileTreeWalker.h"

#include <windows.h>

#include "engine/scan/Paths.h"
#include "engine/scan/RunState.h"
#include "engine/scan/RunView.h"
#include "win/Handles.h"

namespace purlo {

namespace {

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

bool ScanMustStop() { return StopRequested.load() == 1 || ShutdownRequested.load() == 1; }

}  // namespace

FileTreeWalker::FileTreeWalker(std::wstring root, RunView* progress) : root_(std::move(root)), progress_(progress) {}

void FileTreeWalker::Reset() {
  failedPaths_.clear();
  byteTotal_ = 0;
  fileCount_ = 0;
  root_.clear();
}

WalkResult FileTreeWalker::Result() const { return WalkResult{byteTotal_, fileCount_, failedPaths_}; }

WalkResult FileTreeWalker::ScanFolder(std::wstring path) {
  path = WithoutTrailingBackslash(std::move(path));
  if (IsBelowDriveRoot(path)) ScanLevel(path);
  return Result();
}

bool FileTreeWalker::CountFile(const std::wstring& path) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !::GetFileSizeEx(file.Get(), &size)) return false;
  byteTotal_ += static_cast<uint64_t>(size.QuadPart);
  ++fileCount_;
  return true;
}

// `folder` is used as the path buffer of the whole walk: each level appends
// its entry's name and cuts it off again, so no path is allocated per file.
bool FileTreeWalker::ScanLevel(std::wstring& folder) {
  const size_t length = folder.size();
  folder += L"\\*.*";
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW(folder.c_str(), &entry));
  folder.resize(length);
  if (!listing) return false;
  do {
    RunGate.Pass();
    // A reparse point leads outside the tree: never enter or count it.
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || IsDotEntry(entry.cFileName)) continue;
    folder += L'\\';
    folder += entry.cFileName;
    bool unwind = false;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      unwind = ScanLevel(folder) || ScanMustStop();
    } else if (CountFile(folder)) {
      if (progress_ != nullptr) progress_->ShowScanningPath(folder);
      unwind = ScanMustStop();
    }
    folder.resize(length);
    if (unwind) return true;
  } while (::FindNextFileW(listing.Get(), &entry));
  return false;
}

}  // namespace purlo

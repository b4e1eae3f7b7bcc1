// The sweep side of FileTreeWalker: empties a folder tree, keeps its root.
#include <windows.h>

#include "engine/scan/FileTreeWalker.h"
#include "engine/scan/Paths.h"
#include "engine/scan/RunState.h"
#include "engine/sweep/DeleteGuard.h"
#include "win/Handles.h"

namespace purlo {

namespace {

bool IsDotEntry(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

}  // namespace

void FileTreeWalker::SetRoot(std::wstring path) { root_ = WithoutTrailingBackslash(std::move(path)); }

WalkResult FileTreeWalker::SweepFolder(std::wstring path) {
  path = WithoutTrailingBackslash(std::move(path));
  if (!IsBelowDriveRoot(path)) return Result();
  // Where the folder really is; every file deleted must really lie there.
  // Empty where the system cannot tell (Windows XP, which has no file links).
  std::wstring real = RealFolderPath(path);
  if (real.empty() && CanTellRealPaths()) return Result();
  const bool keep = (path == root_);
  SweepLevel(path, real);
  if (!keep) ::RemoveDirectoryW(path.c_str());
  return Result();
}

// `folder` and `real` are the walk's path buffers (as named, and as it really
// is); each level appends its entry's name to both and cuts it off again.
void FileTreeWalker::SweepLevel(std::wstring& folder, std::wstring& real) {
  const size_t length = folder.size();
  const size_t realLength = real.size();
  folder += L"\\*.*";
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW(folder.c_str(), &entry));
  folder.resize(length);
  if (!listing) return;
  do {
    RunGate.Pass();
    // A closing program stops between files, never inside one.
    if (ShutdownRequested.load() == 1) return;
    // A junction or link leads outside the tree: never enter, delete or remove it.
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || IsDotEntry(entry.cFileName)) continue;
    folder += L'\\';
    folder += entry.cFileName;
    if (realLength > 0) {
      real += L'\\';
      real += entry.cFileName;
    }
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      SweepLevel(folder, real);
      ::RemoveDirectoryW(folder.c_str());  // stays when something in it stayed
    } else {
      FileDeletion deletion = DeleteCheckedFile(folder, entry.dwFileAttributes, realLength > 0 ? real : std::wstring(), true);
      if (deletion.outcome == DeleteOutcome::Deleted) {
        ++fileCount_;
        byteTotal_ += deletion.bytes;
      } else if (deletion.outcome == DeleteOutcome::Failed) {
        failedPaths_.push_back(folder);
      }
    }
    folder.resize(length);
    real.resize(realLength);
  } while (::FindNextFileW(listing.Get(), &entry));
}

}  // namespace purlo

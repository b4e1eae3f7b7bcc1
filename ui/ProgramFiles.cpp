#include "ui/ProgramFiles.h"

#include <algorithm>

#include "engine/core/FileHandles.h"
#include "engine/core/Paths.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

namespace {

// Listing access, so that the handle takes part in sharing: without
// FILE_SHARE_DELETE nobody can rename or delete the folder while it is open.
win::UniqueFile OpenFolder(const std::wstring& path, DWORD share, DWORD flags) {
  return win::UniqueFile(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, share, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

std::vector<FileIdentity> ProgramFilesIdentities() {
  std::vector<FileIdentity> identities;
  for (const std::wstring& path : ProgramFilesOfRecord()) {
    win::UniqueFile folder = OpenFolder(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
    HandleFacts facts;
    if (folder && FactsOf(folder.Get(), facts, true)) identities.push_back(facts.identity);
  }
  return identities;
}

// A network share reports whatever identity its server likes: local drives only.
bool OnLocalDrive(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
  const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
  return ::GetDriveTypeW(root) == DRIVE_FIXED;
}

}  // namespace

bool InsideProgramFiles(const std::wstring& folder, std::vector<win::UniqueFile>* pins) {
  const std::vector<FileIdentity> programFiles = ProgramFilesIdentities();
  pins->clear();
  if (!OnLocalDrive(folder)) return false;
  for (std::wstring current = folder; !current.empty(); current = ParentFolder(current)) {
    win::UniqueFile handle = OpenFolder(current, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_FLAG_OPEN_REPARSE_POINT);
    HandleFacts facts;
    if (!handle || !FactsOf(handle.Get(), facts, true)) break;
    // The handle shows a junction on Windows; Wine shows its Unix links only by name.
    if ((facts.attributes | ::GetFileAttributesW(current.c_str())) & FILE_ATTRIBUTE_REPARSE_POINT) break;
    pins->push_back(std::move(handle));
    if (std::find(programFiles.begin(), programFiles.end(), facts.identity) != programFiles.end()) return true;
  }
  pins->clear();
  return false;
}

}  // namespace purlo

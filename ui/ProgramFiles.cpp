#include "ui/ProgramFiles.h"

#include <algorithm>

namespace purlo {

namespace {

struct FolderIdentity {
  DWORD volume = 0, indexHigh = 0, indexLow = 0;
  bool operator==(const FolderIdentity& o) const {
    return volume == o.volume && indexHigh == o.indexHigh && indexLow == o.indexLow;
  }
};

// Listing access, so that the handle takes part in sharing: without
// FILE_SHARE_DELETE nobody can rename or delete the folder while it is open.
win::UniqueFile OpenFolder(const std::wstring& path, DWORD share, DWORD flags) {
  return win::UniqueFile(::CreateFileW(path.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, share, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr));
}

bool IdentityOf(HANDLE folder, FolderIdentity* identity, DWORD* attributes) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(folder, &info)) return false;
  *identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  *attributes = info.dwFileAttributes;
  return true;
}

// A REG_SZ only: an expandable value would take the user's environment.
std::wstring ReadFolderValue(HKEY key, const wchar_t* name) {
  wchar_t buffer[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD bytes = MAX_PATH * sizeof(wchar_t);
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return buffer;  // terminated: one character more than was read
}

std::vector<FolderIdentity> ProgramFilesIdentities() {
  std::vector<FolderIdentity> identities;
  for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_64KEY), static_cast<REGSAM>(KEY_WOW64_32KEY)}) {
    win::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ | view,
                        key.Put()) != ERROR_SUCCESS) {
      continue;
    }
    for (const wchar_t* name : {L"ProgramFilesDir", L"ProgramFilesDir (x86)"}) {
      const std::wstring path = ReadFolderValue(key.Get(), name);
      if (path.empty()) continue;
      win::UniqueFile folder = OpenFolder(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0);
      FolderIdentity identity;
      DWORD attributes = 0;
      if (folder && IdentityOf(folder.Get(), &identity, &attributes)) identities.push_back(identity);
    }
  }
  return identities;
}

// "C:\a\b" -> "C:\a" -> "C:\" -> "" (never the drive-relative "C:").
std::wstring ParentOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos || slash + 1 == path.size()) return {};
  return path.substr(0, slash == 2 && path[1] == L':' ? 3 : slash);
}

// A network share reports whatever identity its server likes: local drives only.
bool OnLocalDrive(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return false;
  const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
  return ::GetDriveTypeW(root) == DRIVE_FIXED;
}

}  // namespace

bool InsideProgramFiles(const std::wstring& folder, std::vector<win::UniqueFile>* pins) {
  const std::vector<FolderIdentity> programFiles = ProgramFilesIdentities();
  pins->clear();
  if (!OnLocalDrive(folder)) return false;
  for (std::wstring current = folder; !current.empty(); current = ParentOf(current)) {
    win::UniqueFile handle = OpenFolder(current, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_FLAG_OPEN_REPARSE_POINT);
    FolderIdentity identity;
    DWORD attributes = 0;
    if (!handle || !IdentityOf(handle.Get(), &identity, &attributes)) break;
    // The handle shows a junction on Windows; Wine shows its Unix links only by name.
    if ((attributes | ::GetFileAttributesW(current.c_str())) & FILE_ATTRIBUTE_REPARSE_POINT) break;
    pins->push_back(std::move(handle));
    if (std::find(programFiles.begin(), programFiles.end(), identity) != programFiles.end()) return true;
  }
  pins->clear();
  return false;
}

}  // namespace purlo

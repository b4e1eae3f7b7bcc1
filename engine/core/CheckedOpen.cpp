#include "engine/core/CheckedOpen.h"

#include <algorithm>

#include "engine/core/Paths.h"

namespace purlo {

namespace {

bool IsPlainFolder(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

// The long name of the last component of an existing path (long form), as
// its folder lists it; the component as written when it cannot be told.
// Only compared with where the opened file really is, never opened.
std::wstring LongLastName(const std::wstring& longPath) {
  WIN32_FIND_DATAW entry;
  win::UniqueFind found(::FindFirstFileW(longPath.c_str(), &entry));
  return found ? std::wstring(entry.cFileName) : longPath.substr(longPath.rfind(L'\\') + 1);
}

}  // namespace

bool IsReallyAt(HANDLE handle, const std::wstring& expectedReal) {
  if (expectedReal.empty()) return true;
  std::wstring real;
  return RealPathOf(handle, real) && SamePath(WithoutTrailingBackslashes(real), expectedReal);
}

OpenedRoot OpenRoot(const std::wstring& root, const ProtectedFolders& protectedFolders, bool forRemoval) {
  OpenedRoot opened;
  opened.path = RootInLongForm(root);
  if (opened.path.empty()) return opened;
  DWORD error = 0;
  opened.handle = OpenFolderByPath(opened.path, forRemoval, error);
  HandleFacts facts;
  if (!opened.handle || !FactsOf(opened.handle.Get(), facts, true) ||
      (facts.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    opened.handle.Reset();
    return opened;
  }
  if (CanTellRealPaths()) {
    if (!RealPathOf(opened.handle.Get(), opened.real)) opened.real.clear();
    opened.real = WithoutTrailingBackslashes(opened.real);
    if (opened.real.empty() || !IsOnDriveOrShare(opened.real)) {
      opened.handle.Reset();
      return opened;
    }
  }
  opened.identity = facts.identity;
  opened.check = protectedFolders.Holds(facts.identity) ? RootCheck::Protected : RootCheck::Ready;
  if (opened.check != RootCheck::Ready) opened.handle.Reset();
  return opened;
}

win::UniqueFile OpenCheckedFolder(HANDLE parent, const FileIdentity& parentIdentity, const ListedEntry& entry,
                                  const std::wstring& expectedReal, const ProtectedFolders& protectedFolders,
                                  OpenFor purpose, FileIdentity& identity) {
  DWORD error = 0;
  win::UniqueFile folder = OpenRelative(parent, entry.name, entry.nameLength, purpose, error);
  if (!folder) return folder;
  HandleFacts facts;
  const bool safe = FactsOnVolume(folder.Get(), parentIdentity.volume, facts) && IsPlainFolder(facts.attributes) &&
                    (entry.fileId == 0 || entry.fileId == facts.identity.index) &&
                    !protectedFolders.Holds(facts.identity) && IsReallyAt(folder.Get(), expectedReal);
  if (!safe) folder.Reset();
  identity = facts.identity;
  return folder;
}

OpenedFile OpenSingleFile(const std::wstring& root, const ProtectedFolders& protectedFolders, OpenFor purpose,
                          std::vector<FileIdentity>* seen) {
  OpenedFile opened;
  if (root.empty() || IsSeparator(root.back())) return opened;
  const std::wstring path = RootInLongForm(root);
  const size_t cut = path.rfind(L'\\');
  if (path.empty() || cut == std::wstring::npos) return opened;
  const std::wstring name = path.substr(cut + 1);
  if (!IsWalkableName(name.c_str())) return opened;
  OpenedRoot folder = OpenRoot(OrdinaryForm(path.substr(0, cut)), protectedFolders, false);
  if (folder.check == RootCheck::Protected) opened.check = SingleFileCheck::Protected;
  if (folder.check != RootCheck::Ready) return opened;
  opened = OpenFileIn(folder, name, purpose, seen);
  opened.ownedFolder = std::move(folder.handle);
  return opened;
}

OpenedFile OpenFileIn(const OpenedRoot& folder, const std::wstring& name, OpenFor purpose,
                      std::vector<FileIdentity>* seen) {
  OpenedFile opened;
  if (!folder.handle || !IsWalkableName(name.c_str())) return opened;
  const std::wstring path = (folder.path.back() == L'\\' ? folder.path : folder.path + L"\\") + name;
  DWORD error = 0;
  opened.handle = OpenRelative(folder.handle.Get(), name.data(), name.size(), purpose, error, true);
  if (!opened.handle) {
    opened.check = IsMissingError(error) || error == ERROR_DIRECTORY ? SingleFileCheck::Missing
                                                                     : SingleFileCheck::Failed;
    return opened;
  }
  if (!FactsOf(opened.handle.Get(), opened.facts, seen != nullptr)) {
    opened.check = SingleFileCheck::Failed;
  } else if ((opened.facts.attributes & FILE_ATTRIBUTE_DIRECTORY) ||
             (seen != nullptr && std::find(seen->begin(), seen->end(), opened.facts.identity) != seen->end())) {
    opened.check = SingleFileCheck::Missing;
  } else if ((opened.facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
             !IsReallyAt(opened.handle.Get(), folder.real.empty() ? folder.real : folder.real + L"\\" + LongLastName(path))) {
    opened.check = SingleFileCheck::Elsewhere;
  } else {
    opened.check = SingleFileCheck::Ready;
  }
  if (opened.check != SingleFileCheck::Ready && opened.check != SingleFileCheck::Elsewhere) opened.handle.Reset();
  if (opened.handle && seen != nullptr) seen->push_back(opened.facts.identity);
  opened.folder = folder.handle.Get();
  opened.name = name;
  return opened;
}

}  // namespace purlo

#include "engine/core/ProtectedFolders.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "engine/core/Paths.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace purlo {

namespace {

bool IsAbsolute(const std::wstring& path) {
  if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && IsSeparator(path[2])) return true;
  return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

// Backslashes only, no runs of them (a share's leading pair kept), none at the end.
std::wstring Tidy(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  std::wstring out;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == L'\\' && i > 1 && out.back() == L'\\') continue;
    out += path[i];
  }
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  return win::ToUpper(out);
}

// The path itself where the system cannot complete it.
std::wstring FullPath(const std::wstring& path) {
  std::wstring full = FullPathName(path);
  return full.empty() ? path : full;
}

}  // namespace

bool IdentityAt(const std::wstring& path, FileIdentity& identity) {
  std::wstring name = path;
  if (name.size() == 2 && name[1] == L':') name += L'\\';
  win::UniqueFile handle(::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  HandleFacts facts;
  if (!handle || !FactsOf(handle.Get(), facts, true)) return false;
  identity = facts.identity;
  return true;
}

namespace {

void SortUnique(std::vector<FileIdentity>& identities) {
  std::sort(identities.begin(), identities.end());
  identities.erase(std::unique(identities.begin(), identities.end()), identities.end());
}

}  // namespace

ProtectedFolders::ProtectedFolders(const std::vector<std::wstring>& systemFolders) {
  std::set<std::wstring> selves, above;
  Opened opened;
  for (const std::wstring& folder : systemFolders) CollectPaths(folder, selves, above, opened);
  AddIdentities(selves, selves_, opened);
  AddIdentities(above, above_, opened);
  // The other view of System32 and of everything a 32-bit process sees redirected.
  if (IsWow64Process()) {
    FileSystemRedirectionOff off;
    if (off.Off()) {
      Opened asTheyAre;
      AddIdentities(selves, selves_, asTheyAre);
      AddIdentities(above, above_, asTheyAre);
    }
  }
  SortUnique(selves_);
  SortUnique(above_);
  // A folder above one protected folder and itself another counts as protected.
  std::vector<FileIdentity> onlyAbove;
  for (const FileIdentity& id : above_) {
    if (!std::binary_search(selves_.begin(), selves_.end(), id)) onlyAbove.push_back(id);
  }
  above_.swap(onlyAbove);
}

const ProtectedFolders& ProtectedFolders::None() {
  static const ProtectedFolders none;
  return none;
}

// The folder by the path given and by the path where it really is, and every
// folder above both. The folder is opened once: its identity and where it
// really is are asked of that handle, and stand for both paths.
void ProtectedFolders::CollectPaths(const std::wstring& folder, std::set<std::wstring>& selves,
                                    std::set<std::wstring>& above, Opened& opened) {
  if (!IsAbsolute(folder)) return;
  const std::wstring full = WithoutTrailingBackslashes(Tidy(FullPath(folder)));
  selves.insert(full);
  for (std::wstring up = ParentFolder(full); !up.empty(); up = ParentFolder(up)) above.insert(up);
  if (opened.count(full) != 0) return;
  // A drive's root folder needs its backslash ("\\?\\C:" is the volume).
  const std::wstring name = LongForm(full.size() == 2 ? full + L"\\" : full);
  win::UniqueFile handle(::CreateFileW(name.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  HandleFacts facts;
  const bool known = handle && FactsOf(handle.Get(), facts, true);
  opened[full] = {known, facts.identity};
  std::wstring real;
  if (!handle || !RealPathOf(handle.Get(), real)) return;
  real = win::ToUpper(WithoutTrailingBackslashes(real));
  if (!IsOnDriveOrShare(real)) return;
  selves.insert(real);
  if (known) opened.emplace(real, std::make_pair(true, facts.identity));
  for (std::wstring up = ParentFolder(real); !up.empty(); up = ParentFolder(up)) above.insert(up);
}

void ProtectedFolders::AddIdentities(const std::set<std::wstring>& paths, std::vector<FileIdentity>& identities,
                                     Opened& opened) {
  for (const std::wstring& path : paths) {
    auto it = opened.find(path);
    if (it == opened.end()) {
      FileIdentity identity;
      const bool known = IdentityAt(path, identity);
      it = opened.emplace(path, std::make_pair(known, identity)).first;
    }
    if (it->second.first) identities.push_back(it->second.second);
  }
}

bool ProtectedFolders::IsProtected(const FileIdentity& identity) const {
  return std::binary_search(selves_.begin(), selves_.end(), identity);
}

bool ProtectedFolders::IsAboveProtected(const FileIdentity& identity) const {
  return std::binary_search(above_.begin(), above_.end(), identity);
}

bool ProtectedFolders::Holds(const FileIdentity& identity) const {
  return IsProtected(identity) || IsAboveProtected(identity);
}

// A folder that really lies off every drive and share cannot be known by
// its identity: refused as well.
bool ProtectedFolders::Refuses(const std::wstring& root) const {
  if (!IsAbsolute(root)) return false;
  const std::wstring real = CanTellRealPaths() ? RealFolderPath(LongForm(FullPath(root))) : std::wstring();
  if (!real.empty() && !IsOnDriveOrShare(real)) return true;
  FileIdentity identity;
  return IdentityAt(root, identity) && Holds(identity);
}

}  // namespace purlo

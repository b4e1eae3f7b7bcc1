// The system's own folders, in the spirit of rm --preserve-root: a root that
// is one of them, or lies above one, is never measured or swept, whatever an
// environment variable or a registry value made of it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/core/FileHandles.h"

namespace purlo {

// The identity of the folder (or file) a path leads to, links followed;
// false when it cannot be opened.
bool IdentityAt(const std::wstring& path, FileIdentity& identity);

// The protected folders by their identities, each folder and every folder
// above it, so that whichever name, link or second drive letter reaches one
// of them, it is known. In a 32-bit
// process on 64-bit Windows both views of System32 are collected.
class ProtectedFolders {
 public:
  ProtectedFolders() = default;
  explicit ProtectedFolders(const std::vector<std::wstring>& systemFolders);

  // The empty set, for walks that are given none.
  static const ProtectedFolders& None();

  // True when what `root` leads to now is a protected folder or lies above one.
  bool Refuses(const std::wstring& root) const;
  // True when `identity` is a protected folder or a folder above one.
  bool Holds(const FileIdentity& identity) const;
  // The protected folder itself.
  bool IsProtected(const FileIdentity& identity) const;
  // A folder above one (and none itself).
  bool IsAboveProtected(const FileIdentity& identity) const;

 private:
  // What each path led to when it was opened (false: it could not be), so
  // that no path is opened twice in one collection.
  using Opened = std::map<std::wstring, std::pair<bool, FileIdentity>>;
  static void CollectPaths(const std::wstring& folder, std::set<std::wstring>& selves, std::set<std::wstring>& above,
                           Opened& opened);
  static void AddIdentities(const std::set<std::wstring>& paths, std::vector<FileIdentity>& identities,
                            Opened& opened);

  std::vector<FileIdentity> selves_;  // sorted
  std::vector<FileIdentity> above_;   // sorted, without the selves
};

}  // namespace purlo

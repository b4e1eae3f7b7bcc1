// The system's own folders, in the spirit of rm --preserve-root: a root that
// is one of them, or lies above one, is never measured or swept, whatever an
// environment variable or a registry value made of it.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "engine/core/FileHandles.h"

namespace purlo {

// The forms under which a path may name a folder, for comparing: the full
// path (forward slashes, doubled separators, trailing dots and spaces gone),
// its long-name form, and its real location (links resolved) when it exists;
// upper case, without trailing separators. Empty for a path that is not
// absolute on a drive or share.
std::vector<std::wstring> ComparableForms(const std::wstring& path);

// The protected folders by their forms and, what decides, by their
// identities: each folder and every folder above it, so that whichever name
// or second drive letter reaches one of them, it is known. In a 32-bit
// process on 64-bit Windows both views of System32 are collected.
class ProtectedFolders {
 public:
  ProtectedFolders() = default;
  explicit ProtectedFolders(const std::vector<std::wstring>& systemFolders);

  // The empty set, for walks that are given none.
  static const ProtectedFolders& None();

  // True when any form of `root` is, or lies above, any form of a protected folder.
  bool Refuses(const std::wstring& root) const;
  // True when `identity` is a protected folder or a folder above one.
  bool Holds(const FileIdentity& identity) const;

 private:
  static void CollectPaths(const std::wstring& folder, std::set<std::wstring>& paths);
  void AddIdentityOf(const std::wstring& folder);

  std::vector<std::wstring> forms_;
  std::vector<FileIdentity> identities_;  // sorted
};

}  // namespace purlo

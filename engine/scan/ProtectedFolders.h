// The system's own folders, in the spirit of rm --preserve-root: a root that
// is one of them, or lies above one, is never measured or swept, whatever an
// environment variable or a registry value made of it.
#pragma once

#include <string>
#include <vector>

namespace purlo {

// The forms under which a path may name a folder, for comparing: the full
// path (forward slashes, doubled separators, trailing dots and spaces gone),
// its long-name form, and its real location (links resolved) when it exists;
// upper case, without trailing separators. Empty for a path that is not
// absolute on a drive or share.
std::vector<std::wstring> ComparableForms(const std::wstring& path);

class ProtectedFolders {
 public:
  ProtectedFolders() = default;
  explicit ProtectedFolders(const std::vector<std::wstring>& systemFolders);

  // True when any form of `root` is, or lies above, any form of a protected folder.
  bool Refuses(const std::wstring& root) const;

 private:
  std::vector<std::wstring> forms_;
};

}  // namespace purlo

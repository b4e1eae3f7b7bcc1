#include "engine/scan/Paths.h"

#include <windows.h>

#include "win/Text.h"

namespace purlo {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Index just past "X:\" or "\\server\share\"; npos when the path has no such root.
size_t RootLength(const std::wstring& path) {
  if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && IsSeparator(path[2])) return 3;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    if (path.size() > 2 && (path[2] == L'?' || path[2] == L'.')) return std::wstring::npos;  // device paths
    size_t server = path.find_first_of(L"\\/", 2);
    if (server == std::wstring::npos || server == 2) return std::wstring::npos;
    size_t share = path.find_first_of(L"\\/", server + 1);
    if (share == std::wstring::npos || share == server + 1) return std::wstring::npos;
    return share + 1;
  }
  return std::wstring::npos;
}

}  // namespace

// "." and ".." (Windows also drops trailing dots and spaces, so ". ." is one
// too): a path holding one could climb back to the drive root.
bool IsDotComponent(const std::wstring& path, size_t begin, size_t end) {
  if (begin == end) return false;
  for (size_t i = begin; i < end; ++i) {
    if (path[i] != L'.' && path[i] != L' ') return false;
  }
  return true;
}

bool IsBelowDriveRoot(const std::wstring& path) {
  size_t root = RootLength(path);
  if (root == std::wstring::npos) return false;
  bool named = false;
  size_t begin = root;
  for (size_t i = root; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (IsDotComponent(path, begin, i)) return false;
      named = named || i > begin;
      begin = i + 1;
    }
  }
  return named;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring ComparableFolder(const std::wstring& path) {
  std::wstring text = path;
  wchar_t buffer[1024];
  DWORD n = ::GetLongPathNameW(path.c_str(), buffer, 1024);
  if (n > 0 && n < 1024) text.assign(buffer, n);
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  while (text.size() > 1 && text.back() == L'\\') text.pop_back();
  return win::ToUpper(text);
}

bool IsSameOrInside(const std::wstring& inner, const std::wstring& outer) {
  if (inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || inner[outer.size()] == L'\\';
}

std::vector<std::wstring> DistinctFolderRoots(const std::vector<std::wstring>& roots) {
  std::vector<std::wstring> kept;
  std::vector<std::wstring> keptComparable;
  for (const std::wstring& root : roots) {
    std::wstring comparable = ComparableFolder(root);
    bool covered = false;
    for (const std::wstring& earlier : keptComparable) {
      if (IsSameOrInside(comparable, earlier)) {
        covered = true;
        break;
      }
    }
    if (covered) continue;
    kept.push_back(root);
    keptComparable.push_back(comparable);
  }
  return kept;
}

}  // namespace purlo

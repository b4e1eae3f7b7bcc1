#include "engine/core/Paths.h"

#include <algorithm>

#include "win/Handles.h"
#include "win/Text.h"

namespace purlo {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

namespace {

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

const wchar_t kLongPrefix[] = L"\\\\?\\";
const wchar_t kLongUncPrefix[] = L"\\\\?\\UNC\\";

// Looked up at run time: Windows XP does not have it.
using GetFinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// NtQueryObject with ObjectNameInformation (1): the object's name.
using QueryObjectFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);

QueryObjectFn QueryObjectCall() {
  static const QueryObjectFn call = reinterpret_cast<QueryObjectFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
  return call;
}

// Wine names a file's object "\\??\\C:\\..." (or "\\??\\unix\\..."), the same
// place as GetFinalPathNameByHandleW in the NT form, at a fraction of its
// cost and past MAX_PATH too, where Wine's GetFinalPathNameByHandleW fails.
// Windows names a file "\\Device\\..." here, which is never taken.
bool RealPathFromObjectName(HANDLE handle, std::wstring& out) {
  QueryObjectFn call = QueryObjectCall();
  if (call == nullptr) return false;
  struct Name {
    USHORT length, maximumLength;
    wchar_t* buffer;
  };
  // Once per deleted file: the common case needs no allocation of its own.
  alignas(Name) unsigned char local[sizeof(Name) + 1024 * sizeof(wchar_t)];
  std::vector<unsigned char> large;
  unsigned char* buffer = local;
  ULONG needed = 0;
  if (call(handle, 1, buffer, sizeof local, &needed) != 0) {
    large.resize(sizeof(Name) + 65536 * sizeof(wchar_t));
    buffer = large.data();
    if (call(handle, 1, buffer, static_cast<ULONG>(large.size()), &needed) != 0) return false;
  }
  const Name* name = reinterpret_cast<const Name*>(buffer);
  const size_t length = name->length / sizeof(wchar_t);
  if (length < 4 || wcsncmp(name->buffer, L"\\?" L"?\\", 4) != 0) return false;  // split: no trigraph
  out.assign(kLongPrefix);
  out.append(name->buffer + 4, length - 4);
  return true;
}

GetFinalPathFn FinalPathCall() {
  static const GetFinalPathFn call = reinterpret_cast<GetFinalPathFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
  return call;
}

}  // namespace

std::wstring LongNames(const std::wstring& path) {
  std::wstring buffer(512, L'\0');
  for (;;) {
    DWORD n = ::GetLongPathNameW(path.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) return path;
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(n + 1);
  }
}

std::wstring FullPathName(const std::wstring& path) {
  std::wstring full(512, L'\0');
  for (;;) {
    DWORD n = ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (n == 0) return std::wstring();
    if (n < full.size()) {
      full.resize(n);
      return full;
    }
    full.assign(n + 1, L'\0');
  }
}

std::wstring WithoutTrailingBackslashes(std::wstring text) {
  while (text.size() > 1 && text.back() == L'\\') text.pop_back();
  return text;
}

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

size_t RootPartLength(const std::wstring& path) {
  const bool longForm = path.compare(0, 4, kLongPrefix) == 0;
  const size_t start = longForm ? 4 : 0;
  if (path.size() >= start + 2 && iswalpha(path[start]) && path[start + 1] == L':') {
    return std::min(path.size(), start + 3);
  }
  size_t server = std::wstring::npos;
  if (longForm && path.compare(0, 8, kLongUncPrefix) == 0) {
    server = 8;
  } else if (!longForm && path.size() > 2 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' &&
             path[2] != L'.') {
    server = 2;
  }
  if (server == std::wstring::npos) return std::wstring::npos;
  const size_t share = path.find_first_of(L"\\/", server);
  if (share == std::wstring::npos) return path.size();
  const size_t end = path.find_first_of(L"\\/", share + 1);
  return end == std::wstring::npos ? path.size() : end;
}

std::wstring ParentFolder(const std::wstring& path) {
  const size_t root = RootPartLength(path);
  if (root == std::wstring::npos) return std::wstring();
  size_t end = path.size();
  while (end > root && IsSeparator(path[end - 1])) --end;
  if (end <= root) return std::wstring();
  const size_t cut = path.find_last_of(L"\\/", end - 1);
  return path.substr(0, cut == std::wstring::npos || cut < root ? root : cut);
}

bool IsDriveRoot(const std::wstring& path) {
  if (path.size() == 2 && iswalpha(path[0]) && path[1] == L':') return true;
  const size_t root = RootLength(path);
  if (root == std::wstring::npos) return false;
  for (size_t i = root; i < path.size(); ++i) {
    if (!IsSeparator(path[i])) return false;
  }
  return true;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring LongForm(const std::wstring& path) {
  std::wstring text = path;
  for (wchar_t& c : text) {
    if (c == L'/') c = L'\\';
  }
  // Repeated separators mean nothing to the ordinary form; in the long form
  // they would be empty names.
  std::wstring squeezed;
  squeezed.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size(); ++i) {
    if (i > 1 && text[i] == L'\\' && squeezed.back() == L'\\') continue;
    squeezed += text[i];
  }
  if (squeezed.compare(0, 2, L"\\\\") == 0) return kLongUncPrefix + squeezed.substr(2);
  return kLongPrefix + squeezed;
}

std::wstring OrdinaryForm(const std::wstring& path) {
  if (path.compare(0, 8, kLongUncPrefix) == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, kLongPrefix) == 0) return path.substr(4);
  return path;
}

bool IsWalkableName(const wchar_t* name) { return IsWalkableName(name, wcslen(name)); }

bool IsWalkableName(const wchar_t* name, size_t length) {
  if (length == 0) return false;
  if (name[0] == L'.' && (length == 1 || (length == 2 && name[1] == L'.'))) return false;
  for (size_t i = 0; i < length; ++i) {
    const wchar_t c = name[i];
    if (c == L'\\' || c == L'/' || c == L':' || c == L'\0') return false;
  }
  return true;
}

bool CanTellRealPaths() { return FinalPathCall() != nullptr; }

bool RealPathOf(HANDLE handle, std::wstring& out) {
  GetFinalPathFn call = FinalPathCall();
  if (call == nullptr) return false;
  if (RealPathFromObjectName(handle, out)) return true;
  // Once per deleted file: the common case needs no allocation of its own.
  wchar_t local[1024];
  // 0: FILE_NAME_NORMALIZED | VOLUME_NAME_DOS. A result at least as large as
  // the buffer is the size it needs, terminator included.
  DWORD n = call(handle, local, 1024, 0);
  if (n == 0) return false;
  if (n < 1024) {
    out.assign(local, n);
    return true;
  }
  std::wstring buffer;
  for (;;) {
    buffer.assign(n + 1, L'\0');
    n = call(handle, &buffer[0], static_cast<DWORD>(buffer.size()), 0);
    if (n == 0) return false;
    if (n < buffer.size()) {
      buffer.resize(n);
      out.swap(buffer);
      return true;
    }
  }
}

std::wstring RealFolderPath(const std::wstring& folder) {
  win::UniqueFile handle(::CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring real;
  if (!handle || !RealPathOf(handle.Get(), real)) return std::wstring();
  return WithoutTrailingBackslashes(real);
}

bool IsOnDriveOrShare(const std::wstring& realPath) {
  const std::wstring& p = realPath;
  if (p.size() >= 7 && p.compare(0, 4, kLongPrefix) == 0 && iswalpha(p[4]) && p[5] == L':' && p[6] == L'\\') {
    return true;
  }
  if (p.compare(0, 8, kLongUncPrefix) == 0) {
    // "\\?\UNC\server\share": both names present.
    size_t server = p.find(L'\\', 8);
    return server != std::wstring::npos && server > 8 && server + 1 < p.size() && p[server + 1] != L'\\';
  }
  return false;
}

namespace {

// Each name without its trailing dots and spaces.
std::wstring WithoutTrailingDots(const std::wstring& path) {
  std::wstring out;
  out.reserve(path.size());
  for (wchar_t c : path) {
    if (c == L'\\') {
      while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
    }
    out += c;
  }
  while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
  return out;
}

}  // namespace

bool SamePath(const std::wstring& real, const std::wstring& expected) {
  if (real.size() == expected.size() && win::ToUpper(real) == win::ToUpper(expected)) return true;
  return win::ToUpper(WithoutTrailingDots(real)) == win::ToUpper(WithoutTrailingDots(expected));
}

std::wstring RootInLongForm(const std::wstring& root) {
  if (!IsBelowDriveRoot(root)) return std::wstring();
  // A root is read as the system reads an ordinary path (trailing dots and
  // spaces dropped, "nul" the device): that is what the setting meant.
  const std::wstring full = FullPathName(root);
  if (!IsBelowDriveRoot(full)) return std::wstring();
  return WithoutTrailingBackslashes(LongForm(full));
}

bool MatchesWildcard(const std::wstring& pattern, const std::wstring& name) {
  size_t p = 0, n = 0, star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}


}  // namespace purlo

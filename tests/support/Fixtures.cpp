#include "tests/support/Fixtures.h"

#include "engine/core/RootJudge.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "win/Handles.h"

namespace testing_support {

TestFolder::TestFolder(const std::wstring& name) : path_(L"C:\\purlo-tests\\" + name) {
  RemoveTree(path_);
  MakeFolders(path_);
}

TestFolder::~TestFolder() { RemoveTree(path_); }

void MakeFolders(const std::wstring& path) {
  for (size_t i = 3; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\') ::CreateDirectoryW(path.substr(0, i).c_str(), nullptr);
  }
}

void WriteFile(const std::wstring& path, uint64_t size) {
  MakeFolders(path.substr(0, path.rfind(L'\\')));
  win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(f.Valid()) << "cannot create " << std::string(path.begin(), path.end());
  std::string chunk(64 * 1024, 'x');
  while (size > 0) {
    DWORD n = static_cast<DWORD>(size < chunk.size() ? size : chunk.size());
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(f.Get(), chunk.data(), n, &written, nullptr));
    size -= written;
  }
}

void WriteSparseFile(const std::wstring& path, uint64_t size) {
  MakeFolders(path.substr(0, path.rfind(L'\\')));
  win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(f.Valid());
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  ASSERT_TRUE(::SetFilePointerEx(f.Get(), end, nullptr, FILE_BEGIN));
  ASSERT_TRUE(::SetEndOfFile(f.Get()));
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < text.size()) {
    size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

std::string ReadAll(const std::wstring& path) {
  win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  std::string text;
  if (!f) return text;
  char buffer[4096];
  DWORD n = 0;
  while (::ReadFile(f.Get(), buffer, sizeof buffer, &n, nullptr) && n > 0) text.append(buffer, n);
  return text;
}

namespace {

bool SafeToRemove(const std::wstring& path) {
  return path.size() > 3 && path[1] == L':' && path[2] == L'\\';
}

void RemoveContents(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW((path + L"\\*").c_str(), &entry));
  if (!listing) return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring full = path + L"\\" + name;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // Never follow: a directory link is only unlinked by RemoveDirectoryW when
      // it is empty, so leave links for the Linux side to clear.
      continue;
    }
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveContents(full);
      ::RemoveDirectoryW(full.c_str());
    } else {
      ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      ::DeleteFileW(full.c_str());
    }
  } while (::FindNextFileW(listing.Get(), &entry));
}

}  // namespace

void RemoveTree(const std::wstring& path) {
  if (!SafeToRemove(path)) return;
  RemoveContents(path);
  ::RemoveDirectoryW(path.c_str());
}

void EmptyFolder(const std::wstring& path) {
  if (SafeToRemove(path)) RemoveContents(path);
}

void SetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
  win::UniqueRegKey k;
  ASSERT_EQ(::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExW(k.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

void DeleteKeyTree(HKEY root, const std::wstring& key) { ::SHDeleteKeyW(root, key.c_str()); }

bool KeyExists(HKEY root, const std::wstring& key) {
  win::UniqueRegKey k;
  return ::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
}

DWORD ValueCount(HKEY root, const std::wstring& key) {
  win::UniqueRegKey k;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, k.Put()) != ERROR_SUCCESS) return 0;
  DWORD values = 0;
  ::RegQueryInfoKeyW(k.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
  return values;
}

std::wstring SpecialFolder(int csidl) {
  wchar_t buffer[MAX_PATH] = {};
  ::SHGetSpecialFolderPathW(nullptr, buffer, csidl, TRUE);
  return buffer;
}

std::wstring TempPath() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, buffer);
  return buffer;
}

std::wstring Expand(const std::wstring& text) {
  wchar_t buffer[1024] = {};
  ::ExpandEnvironmentStringsW(text.c_str(), buffer, 1024);
  return buffer;
}

void Recycle(const std::vector<std::wstring>& paths) {
  std::wstring from;
  for (const std::wstring& p : paths) from += p + L'\0';
  from += L'\0';
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
  ASSERT_EQ(::SHFileOperationW(&op), 0);
}

void EmptyRecycleBin() {
  ::SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
}

std::vector<std::wstring> Outermost(const std::vector<std::wstring>& paths) {
  purlo::RootJudge judge(nullptr, nullptr);
  std::vector<purlo::ResolvedRoot> roots(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    purlo::RootRefusal why;
    judge.Resolve(paths[i], purlo::RootClass::Unchecked, false, roots[i], why);
  }
  std::vector<std::wstring> walked;
  for (const purlo::ResolvedRoot* root : purlo::OutermostRoots(roots)) walked.push_back(root->path);
  return walked;
}

}  // namespace testing_support

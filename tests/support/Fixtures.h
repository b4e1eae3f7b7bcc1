// Real files, folders and registry keys for tests, all inside the sandbox prefix.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder C:\purlo-tests\<name>, emptied when created and removed at the end.
class TestFolder {
 public:
  explicit TestFolder(const std::wstring& name);
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  std::wstring path_;
};

// Creates the parent folders too. Content is `size` bytes of 'x'.
void WriteFile(const std::wstring& path, uint64_t size);
// A sparse file of the given size (only the end is written).
void WriteSparseFile(const std::wstring& path, uint64_t size);
void MakeFolders(const std::wstring& path);
bool Exists(const std::wstring& path);
uint64_t FileSize(const std::wstring& path);
std::string ReadAll(const std::wstring& path);
// The text's lines, without their line feeds.
std::vector<std::string> TextLines(const std::string& text);
// Removes a tree without ever following a link; only below C:\ and never C:\ itself.
void RemoveTree(const std::wstring& path);
// Deletes everything inside a folder, keeping the folder.
void EmptyFolder(const std::wstring& path);

// Registry helpers under HKEY_CURRENT_USER (or another root).
void SetString(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);
void DeleteKeyTree(HKEY root, const std::wstring& key);
bool KeyExists(HKEY root, const std::wstring& key);
DWORD ValueCount(HKEY root, const std::wstring& key);

std::wstring SpecialFolder(int csidl);

// The roots of a task that are walked, by the root judge's rule (protected
// folders only: no class of its own).
std::vector<std::wstring> Outermost(const std::vector<std::wstring>& paths);
std::wstring TempPath();
std::wstring Expand(const std::wstring& text);

// Puts files into the sandbox's recycle bin.
void Recycle(const std::vector<std::wstring>& paths);
void EmptyRecycleBin();

}  // namespace testing_support

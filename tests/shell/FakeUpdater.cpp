// Stands in for the maker's updater in tests. Beside itself it reads
// ovupdate.code ("<exit code> [<milliseconds to wait>]"), appends its command
// line to ovupdate.log as one UTF-8 line, waits, writes ovupdate.ended and
// exits with the code.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "win/Handles.h"
#include "win/Text.h"

namespace {

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring full(path, n);
  return full.substr(0, full.find_last_of(L'\\'));
}

std::string ReadSmall(const std::wstring& path) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  char buffer[64] = {};
  DWORD read = 0;
  ::ReadFile(file.Get(), buffer, sizeof(buffer) - 1, &read, nullptr);
  return std::string(buffer, read);
}

void Append(const std::wstring& path, const std::string& bytes) {
  win::UniqueFile file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

int wmain() {
  const std::wstring folder = OwnFolder();
  unsigned code = 0, waitMs = 0;
  std::sscanf(ReadSmall(folder + L"\\ovupdate.code").c_str(), "%u %u", &code, &waitMs);
  Append(folder + L"\\ovupdate.log", win::ToUtf8(::GetCommandLineW()) + "\n");
  ::Sleep(waitMs);
  Append(folder + L"\\ovupdate.ended", "ended\n");
  return static_cast<int>(code);
}

// The sandbox's own handler of http: addresses. Appends its one argument, the
// address the shell was asked to open, to urls.log beside itself, so no
// browser ever opens and tests can see what would have.
#include <windows.h>

#include <string>

#include "win/Handles.h"
#include "win/Text.h"

int wmain(int argc, wchar_t** argv) {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  std::wstring log(path, n);
  log = log.substr(0, log.find_last_of(L'\\')) + L"\\urls.log";
  std::wstring line;
  for (int i = 1; i < argc; ++i) line += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
  const std::string bytes = win::ToUtf8(line) + "\n";
  win::UniqueFile file(::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file) ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  return 0;
}

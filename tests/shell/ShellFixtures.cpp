#include "tests/shell/ShellFixtures.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "win/Handles.h"

namespace testing_support {

const wchar_t kShellBin[] = L"C:\\purlo-shell\\bin";
const wchar_t kLinkToProgramFiles[] = L"C:\\purlo-shell\\pf-link";

InstalledFolder::InstalledFolder() : path_(L"C:\\Program Files\\Purlo") {
  RemoveTree(path_);
  MakeFolders(path_);
}

InstalledFolder::~InstalledFolder() { RemoveTree(path_); }

std::vector<std::wstring> Lines(const std::string& utf8) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start < utf8.size()) {
    size_t end = utf8.find('\n', start);
    if (end == std::string::npos) end = utf8.size();
    std::string line = utf8.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(Wide(line));
    start = end + 1;
  }
  return lines;
}

void CopyInto(const std::wstring& from, const std::wstring& to) {
  MakeFolders(to.substr(0, to.find_last_of(L'\\')));
  ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE)) << Narrow(from) << " -> " << Narrow(to);
}

void PlaceUpdater(const std::wstring& folder, unsigned exitCode, unsigned waitMs) {
  CopyInto(std::wstring(kShellBin) + L"\\fake-updater.exe", folder + L"\\ovupdate.exe");
  char config[32];
  std::snprintf(config, sizeof(config), "%u %u", exitCode, waitMs);
  win::UniqueFile file(::CreateFileW((folder + L"\\ovupdate.code").c_str(), GENERIC_WRITE, 0, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(file.Valid());
  DWORD written = 0;
  ::WriteFile(file.Get(), config, static_cast<DWORD>(std::strlen(config)), &written, nullptr);
}

std::vector<std::wstring> UpdaterRuns(const std::wstring& folder) {
  return Lines(ReadAll(folder + L"\\ovupdate.log"));
}

bool UpdaterEnded(const std::wstring& folder) { return Exists(folder + L"\\ovupdate.ended"); }

std::vector<std::wstring> OpenedAddresses() { return Lines(ReadAll(std::wstring(kShellBin) + L"\\urls.log")); }

void ClearOpenedAddresses() { ::DeleteFileW((std::wstring(kShellBin) + L"\\urls.log").c_str()); }

std::wstring HttpOpenCommand() {
  win::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\http\\shell\\open\\command", 0, KEY_QUERY_VALUE,
                      key.Put()) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t value[1024] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);
  DWORD type = 0;
  if (::RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return {};
  }
  return value;
}

}  // namespace testing_support

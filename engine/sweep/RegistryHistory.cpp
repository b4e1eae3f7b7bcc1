#include "engine/sweep/RegistryHistory.h"

#include <windows.h>

#include <vector>

#include "engine/scan/RegistryKeys.h"
#include "win/Handles.h"

namespace purlo {

uint32_t RemoveHistoryValues(std::wstring keyPath) {
  // Never through a link: it could lead to any key the program may write.
  win::UniqueRegKey key = OpenKeyWithoutLinks(HKEY_CURRENT_USER, keyPath, KEY_ALL_ACCESS);
  if (!key) return 0;
  DWORD values = 0;
  if (::RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  // All names first: deleting while enumerating by index would skip every other value.
  std::vector<std::wstring> names;
  std::vector<wchar_t> name(16384);
  for (DWORD i = 0; i < values; ++i) {
    DWORD length = static_cast<DWORD>(name.size());
    name[0] = L'\0';
    if (::RegEnumValueW(key.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      names.emplace_back(name.data(), length);
    }
  }
  uint32_t removed = 0;
  for (const std::wstring& n : names) {
    if (::RegDeleteValueW(key.Get(), n.empty() ? nullptr : n.c_str()) == ERROR_SUCCESS) ++removed;
  }
  return removed;
}

}  // namespace purlo

#include "engine/core/RegistryKeys.h"

namespace purlo {

bool IsRegistryLink(HKEY key) {
  DWORD type = REG_NONE;
  return ::RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
         type == REG_LINK;
}

DWORD ValuesIn(HKEY key) {
  DWORD values = 0;
  if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr) != ERROR_SUCCESS) {
    return 0;
  }
  return values;
}

win::UniqueRegKey OpenKeyWithoutLinks(HKEY root, const std::wstring& path, REGSAM access) {
  win::UniqueRegKey current;
  HKEY parent = root;
  size_t begin = 0;
  while (begin <= path.size()) {
    size_t end = path.find(L'\\', begin);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring name = path.substr(begin, end - begin);
    begin = end + 1;
    if (name.empty()) continue;
    const bool last = path.find_first_not_of(L'\\', end) == std::wstring::npos;
    // Every key on the way is asked whether it is a link; the last one is
    // opened with what the caller needs as well.
    const REGSAM want = KEY_QUERY_VALUE | (last ? access : 0);
    win::UniqueRegKey next;
    if (::RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, want, next.Put()) != ERROR_SUCCESS) return {};
    if (IsRegistryLink(next.Get())) return {};
    current = std::move(next);
    parent = current.Get();
  }
  return current;
}

std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path) {
  std::vector<std::wstring> names;
  win::UniqueRegKey key = OpenKeyWithoutLinks(root, path, KEY_ENUMERATE_SUB_KEYS);
  if (!key) return names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    const LONG result = ::RegEnumKeyExW(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) continue;  // longer than a key name may be
    if (result != ERROR_SUCCESS) break;        // the end, or the key went away
    names.emplace_back(name, length);
  }
  return names;
}

}  // namespace purlo

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

}  // namespace purlo

#include "engine/sweep/RegistryHistory.h"

#include <windows.h>

#include <vector>

#include "engine/core/RegistryKeys.h"
#include "engine/core/RootRules.h"
#include "engine/core/RunState.h"
#include "win/Handles.h"

namespace purlo {

namespace {

struct CountedName {  // UNICODE_STRING
  USHORT Length;
  USHORT MaximumLength;
  PWSTR Buffer;
};
using NtDeleteValueKeyFn = LONG(WINAPI*)(HANDLE key, CountedName* name);

// The value of exactly this name, U+0000 and all: RegDeleteValueW takes a C
// string and would stop at the first U+0000, missing the value or hitting
// another. ntdll has the counted form on every version since XP.
bool DeleteValueNamed(HKEY key, const std::wstring& name) {
  static const auto deleteValue = reinterpret_cast<NtDeleteValueKeyFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtDeleteValueKey")));
  if (deleteValue == nullptr) {
    return name.find(L'\0') == std::wstring::npos &&
           ::RegDeleteValueW(key, name.empty() ? nullptr : name.c_str()) == ERROR_SUCCESS;
  }
  std::wstring copy = name;
  CountedName counted{static_cast<USHORT>(copy.size() * sizeof(wchar_t)),
                      static_cast<USHORT>(copy.size() * sizeof(wchar_t)), copy.empty() ? nullptr : &copy[0]};
  return deleteValue(key, &counted) >= 0;
}

}  // namespace

uint32_t RemoveHistoryValues(std::wstring keyPath, HKEY root) {
  // Never through a link: it could lead to any key the program may write.
  win::UniqueRegKey key = OpenKeyWithoutLinks(root, keyPath, KEY_ALL_ACCESS);
  if (!key) return 0;
  const DWORD values = ValuesIn(key.Get());
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
    if (DeleteValueNamed(key.Get(), n)) ++removed;
  }
  return removed;
}

uint32_t RemoveHistoryKeys(JunkCategory category, int windowsMajor, HKEY root) {
  uint32_t removed = 0;
  for (const KeyRecipe& history : HistoryKeys(category, windowsMajor)) {
    removed += RemoveHistoryValues(history.key, root);
    if (!history.withSubkeys) continue;
    for (const std::wstring& sub : SubkeyNames(root, history.key)) {
      removed += RemoveHistoryValues(std::wstring(history.key) + L"\\" + sub, root);
    }
  }
  return removed;
}

}  // namespace purlo

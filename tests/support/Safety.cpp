#include "tests/support/Safety.h"

#include <sddl.h>
#include <userenv.h>

#include "tests/support/Fixtures.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace testing_support {

std::wstring UserSid() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  win::UniqueKernel token(raw);
  std::vector<BYTE> buffer(512);
  DWORD size = 0;
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size)) {
    return {};
  }
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) return {};
  std::wstring sid = text;
  ::LocalFree(text);
  return sid;
}

std::wstring KernelKeyName(HKEY root, const std::wstring& key) {
  if (root == HKEY_LOCAL_MACHINE) return L"\\REGISTRY\\MACHINE\\" + key;
  return L"\\REGISTRY\\USER\\" + UserSid() + L"\\" + key;
}

namespace {

using NtDeleteKeyFn = LONG(NTAPI*)(HANDLE);

bool DeleteLinkItself(HKEY root, const std::wstring& key) {
  auto deleteKey = reinterpret_cast<NtDeleteKeyFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
  win::UniqueRegKey link;
  if (::RegOpenKeyExW(root, key.c_str(), REG_OPTION_OPEN_LINK, DELETE | KEY_QUERY_VALUE, link.Put()) != ERROR_SUCCESS) {
    return false;
  }
  return deleteKey != nullptr && deleteKey(link.Get()) == 0;
}

}  // namespace

bool IsLinkKey(HKEY root, const std::wstring& key) {
  win::UniqueRegKey k;
  if (::RegOpenKeyExW(root, key.c_str(), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, k.Put()) != ERROR_SUCCESS) return false;
  DWORD type = REG_NONE;
  return ::RegQueryValueExW(k.Get(), L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS &&
         type == REG_LINK;
}

void RemoveKeyOrLink(HKEY root, const std::wstring& key) {
  if (IsLinkKey(root, key)) {
    DeleteLinkItself(root, key);
  } else {
    DeleteKeyTree(root, key);
  }
}

RegistryLink::RegistryLink(HKEY root, const std::wstring& key, const std::wstring& kernelTarget)
    : root_(root), key_(key) {
  RemoveKeyOrLink(root, key);
  // The parents first, as ordinary keys: created along with a volatile link
  // they would be volatile too, and no lasting key could be made below them.
  const size_t cut = key.rfind(L'\\');
  win::UniqueRegKey parent;
  if (::RegCreateKeyExW(root, key.substr(0, cut).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, parent.Put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  win::UniqueRegKey link;
  DWORD disposition = 0;
  if (::RegCreateKeyExW(parent.Get(), key.substr(cut + 1).c_str(), 0, nullptr,
                        REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr,
                        link.Put(), &disposition) != ERROR_SUCCESS) {
    return;
  }
  // The target's name without a terminator, as the kernel wants it.
  made_ = disposition == REG_CREATED_NEW_KEY &&
          ::RegSetValueExW(link.Get(), L"SymbolicLinkValue", 0, REG_LINK,
                           reinterpret_cast<const BYTE*>(kernelTarget.data()),
                           static_cast<DWORD>(kernelTarget.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
}

RegistryLink::~RegistryLink() { DeleteLinkItself(root_, key_); }

ScopedStringValue::ScopedStringValue(HKEY root, const std::wstring& key, const std::wstring& name,
                                     const std::wstring& value)
    : root_(root), key_(key), name_(name) {
  win::UniqueRegKey k;
  if (::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr) != ERROR_SUCCESS) {
    return;
  }
  DWORD size = 0;
  if (::RegQueryValueExW(k.Get(), name.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
    data_.resize(size);
    existed_ = ::RegQueryValueExW(k.Get(), name.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
  }
  ::RegSetValueExW(k.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

ScopedStringValue::~ScopedStringValue() {
  win::UniqueRegKey k;
  if (::RegOpenKeyExW(root_, key_.c_str(), 0, KEY_ALL_ACCESS, k.Put()) != ERROR_SUCCESS) return;
  if (existed_) {
    ::RegSetValueExW(k.Get(), name_.c_str(), 0, type_, data_.data(), static_cast<DWORD>(data_.size()));
  } else {
    ::RegDeleteValueW(k.Get(), name_.c_str());
  }
}

std::vector<wchar_t> UserEnvironmentBlock() {
  std::vector<wchar_t> block;
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, &raw)) return block;
  win::UniqueKernel token(raw);
  void* environment = nullptr;
  if (!::CreateEnvironmentBlock(&environment, token.Get(), FALSE)) return block;
  const wchar_t* p = static_cast<const wchar_t*>(environment);
  while (*p != L'\0') p += wcslen(p) + 1;
  block.assign(static_cast<const wchar_t*>(environment), p + 1);
  ::DestroyEnvironmentBlock(environment);
  return block;
}

std::vector<wchar_t> WithValue(const std::vector<wchar_t>& block, const std::wstring& name, const std::wstring& value) {
  std::vector<wchar_t> out;
  const std::wstring prefix = name + L"=";
  for (const wchar_t* p = block.data(); *p != L'\0'; p += wcslen(p) + 1) {
    if (_wcsnicmp(p, prefix.c_str(), prefix.size()) == 0) continue;
    out.insert(out.end(), p, p + wcslen(p) + 1);
  }
  const std::wstring entry = prefix + value;
  out.insert(out.end(), entry.c_str(), entry.c_str() + entry.size() + 1);
  out.push_back(L'\0');
  return out;
}

std::wstring BlockValue(const std::vector<wchar_t>& block, const std::wstring& name) {
  const std::wstring wanted = win::ToUpper(name) + L"=";
  for (const wchar_t* p = block.data(); p < block.data() + block.size() && *p != L'\0'; p += wcslen(p) + 1) {
    const std::wstring entry = p;
    if (win::ToUpper(entry.substr(0, wanted.size())) == wanted) return entry.substr(wanted.size());
  }
  return {};
}

}  // namespace testing_support

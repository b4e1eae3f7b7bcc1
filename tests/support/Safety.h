// Fixtures for the cases where a run must not reach: registry links, values
// of the user's environment, and the system's own folders.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

// "S-1-5-21-..." of the user this process runs as.
std::wstring UserSid();
// The kernel's name of a key below HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE.
std::wstring KernelKeyName(HKEY root, const std::wstring& key);

// A volatile registry link at root\key pointing at `kernelTarget` (a name from
// KernelKeyName). Whatever was at root\key is removed first, without
// following a link; the link itself is removed at the end, also without.
class RegistryLink {
 public:
  RegistryLink(HKEY root, const std::wstring& key, const std::wstring& kernelTarget);
  ~RegistryLink();
  RegistryLink(const RegistryLink&) = delete;
  RegistryLink& operator=(const RegistryLink&) = delete;

  bool Made() const { return made_; }

 private:
  HKEY root_;
  std::wstring key_;
  bool made_ = false;
};

// True when root\key exists and is itself a registry link.
bool IsLinkKey(HKEY root, const std::wstring& key);
// Removes root\key: a link without following it, anything else with its subtree.
void RemoveKeyOrLink(HKEY root, const std::wstring& key);

// Sets one string value and restores what was there (or its absence) at the end.
class ScopedStringValue {
 public:
  ScopedStringValue(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);
  ~ScopedStringValue();
  ScopedStringValue(const ScopedStringValue&) = delete;
  ScopedStringValue& operator=(const ScopedStringValue&) = delete;

 private:
  HKEY root_;
  std::wstring key_, name_;
  bool existed_ = false;
  DWORD type_ = REG_NONE;
  std::vector<BYTE> data_;
};

// One value of HKEY_CURRENT_USER\Environment, for the processes started after it.
class UserEnvironmentValue : public ScopedStringValue {
 public:
  UserEnvironmentValue(const std::wstring& name, const std::wstring& value)
      : ScopedStringValue(HKEY_CURRENT_USER, L"Environment", name, value) {}
};

// The environment a new logon of this user would get, built by the system from
// the registry (HKEY_CURRENT_USER\Environment included), as a wide block.
std::vector<wchar_t> UserEnvironmentBlock();
// The block with one variable set to `value`.
std::vector<wchar_t> WithValue(const std::vector<wchar_t>& block, const std::wstring& name, const std::wstring& value);
// The value of `name` in such a block; empty when absent.
std::wstring BlockValue(const std::vector<wchar_t>& block, const std::wstring& name);

}  // namespace testing_support

#include "engine/core/ProtectedFolders.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "engine/core/Paths.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace purlo {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsAbsolute(const std::wstring& path) {
  if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && IsSeparator(path[2])) return true;
  return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]);
}

// Backslashes only, no runs of them (a share's leading pair kept), none at the end.
std::wstring Tidy(std::wstring path) {
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  std::wstring out;
  for (size_t i = 0; i < path.size(); ++i) {
    if (path[i] == L'\\' && i > 1 && out.back() == L'\\') continue;
    out += path[i];
  }
  while (!out.empty() && out.back() == L'\\') out.pop_back();
  return win::ToUpper(out);
}

// The path itself where the system cannot complete it.
std::wstring FullPath(const std::wstring& path) {
  std::wstring full = FullPathName(path);
  return full.empty() ? path : full;
}

// Where the path really leads, links followed; empty when unknown.
std::wstring RealPath(const std::wstring& path) {
  std::wstring real = RealFolderPath(path);
  // Other real paths (\\?\unix\..., volume and device paths) stay as they are.
  return IsOnDriveOrShare(real) ? OrdinaryForm(real) : real;
}

void AddOnce(std::vector<std::wstring>& forms, const std::wstring& form) {
  if (form.empty()) return;
  for (const std::wstring& f : forms) {
    if (f == form) return;
  }
  forms.push_back(form);
}

}  // namespace

std::vector<std::wstring> ComparableForms(const std::wstring& path) {
  std::vector<std::wstring> forms;
  if (!IsAbsolute(path)) return forms;
  const std::wstring full = FullPath(path);
  AddOnce(forms, Tidy(full));
  AddOnce(forms, Tidy(LongNames(full)));
  const std::wstring real = RealPath(full);
  if (!real.empty()) {
    AddOnce(forms, Tidy(real));
    AddOnce(forms, Tidy(LongNames(real)));
  }
  return forms;
}

namespace {

// File-system redirection of a 32-bit process on 64-bit Windows, turned off
// for as long as this lives. Looked up at run time: not every Windows has it.
class RedirectionOff {
 public:
  RedirectionOff() {
    HMODULE k = ::GetModuleHandleW(L"kernel32.dll");
    disable_ = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(k, "Wow64DisableWow64FsRedirection")));
    revert_ = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(k, "Wow64RevertWow64FsRedirection")));
    off_ = disable_ != nullptr && revert_ != nullptr && disable_(&old_);
  }
  ~RedirectionOff() {
    if (off_) revert_(old_);
  }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
  bool Off() const { return off_; }

 private:
  using Fn = BOOL(WINAPI*)(void*);
  Fn disable_ = nullptr, revert_ = nullptr;
  void* old_ = nullptr;
  bool off_ = false;
};

bool IsWow64Process() {
  using Fn = BOOL(WINAPI*)(HANDLE, BOOL*);
  auto call = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return call != nullptr && call(::GetCurrentProcess(), &wow64) && wow64;
}

// The folder above `path` ("C:\\x" or "\\\\?\\C:\\x"); empty above the drive root.
std::wstring ParentFolder(const std::wstring& path) {
  const size_t rootEnd = path.compare(0, 4, L"\\\\?\\") == 0 ? 7 : 3;
  if (path.size() <= rootEnd) return std::wstring();
  const size_t cut = path.rfind(L'\\');
  if (cut == std::wstring::npos) return std::wstring();
  return cut < rootEnd ? path.substr(0, rootEnd) : path.substr(0, cut);
}

}  // namespace

ProtectedFolders::ProtectedFolders(const std::vector<std::wstring>& systemFolders) {
  std::set<std::wstring> paths;
  for (const std::wstring& folder : systemFolders) {
    for (const std::wstring& form : ComparableForms(folder)) AddOnce(forms_, form);
    CollectPaths(folder, paths);
  }
  for (const std::wstring& path : paths) AddIdentityOf(path);
  // The other view of System32 and of everything a 32-bit process sees redirected.
  if (IsWow64Process()) {
    RedirectionOff off;
    if (off.Off()) {
      for (const std::wstring& path : paths) AddIdentityOf(path);
    }
  }
  std::sort(identities_.begin(), identities_.end());
  identities_.erase(std::unique(identities_.begin(), identities_.end()), identities_.end());
}

const ProtectedFolders& ProtectedFolders::None() {
  static const ProtectedFolders none;
  return none;
}

// The folder and every folder above it, by the path given and by the path
// where it really is.
void ProtectedFolders::CollectPaths(const std::wstring& folder, std::set<std::wstring>& paths) {
  if (!IsAbsolute(folder)) return;
  const std::wstring full = WithoutTrailingBackslashes(Tidy(FullPath(folder)));
  for (std::wstring up = full; !up.empty(); up = ParentFolder(up)) paths.insert(up);
  const std::wstring real = RealFolderPath(LongForm(full));
  if (IsOnDriveOrShare(real)) {
    for (std::wstring up = win::ToUpper(real); !up.empty(); up = ParentFolder(up)) paths.insert(up);
  }
}

void ProtectedFolders::AddIdentityOf(const std::wstring& folder) {
  std::wstring path = folder;
  if (path.size() == 2 && path[1] == L':') path += L'\\';
  win::UniqueFile handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  HandleFacts facts;
  if (handle && FactsOf(handle.Get(), facts, true)) identities_.push_back(facts.identity);
}

bool ProtectedFolders::Holds(const FileIdentity& identity) const {
  return std::binary_search(identities_.begin(), identities_.end(), identity);
}

bool ProtectedFolders::Refuses(const std::wstring& root) const {
  for (const std::wstring& rootForm : ComparableForms(root)) {
    for (const std::wstring& folder : forms_) {
      if (IsSameOrInside(folder, rootForm)) return true;  // both tidy, never empty
    }
  }
  return false;
}

}  // namespace purlo

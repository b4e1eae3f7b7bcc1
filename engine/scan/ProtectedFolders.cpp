#include "engine/scan/ProtectedFolders.h"

#include <windows.h>

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

std::wstring FullPath(const std::wstring& path) {
  wchar_t buffer[1024];
  DWORD n = ::GetFullPathNameW(path.c_str(), 1024, buffer, nullptr);
  return (n > 0 && n < 1024) ? std::wstring(buffer, n) : path;
}

std::wstring LongPath(const std::wstring& path) {
  wchar_t buffer[1024];
  DWORD n = ::GetLongPathNameW(path.c_str(), buffer, 1024);
  return (n > 0 && n < 1024) ? std::wstring(buffer, n) : path;
}

using FinalPathFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// GetFinalPathNameByHandleW appeared with Windows Vista.
FinalPathFn FinalPathFunction() {
  static const FinalPathFn fn = reinterpret_cast<FinalPathFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
  return fn;
}

// Where the path really leads, links followed; empty when unknown.
std::wstring RealPath(const std::wstring& path) {
  FinalPathFn finalPath = FinalPathFunction();
  if (finalPath == nullptr) return {};
  win::UniqueFile handle(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return {};
  wchar_t buffer[1024];
  DWORD n = finalPath(handle.Get(), buffer, 1024, 0 /* FILE_NAME_NORMALIZED | VOLUME_NAME_DOS */);
  if (n == 0 || n >= 1024) return {};
  std::wstring real(buffer, n);
  if (real.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + real.substr(8);
  // Other real paths (\\?\unix\..., volume and device paths) stay as they are.
  if (real.size() >= 6 && real.compare(0, 4, L"\\\\?\\") == 0 && real[5] == L':') return real.substr(4);
  return real;
}

void AddOnce(std::vector<std::wstring>& forms, const std::wstring& form) {
  if (form.empty()) return;
  for (const std::wstring& f : forms) {
    if (f == form) return;
  }
  forms.push_back(form);
}

// `inner` is `outer` or lies below it; both tidy.
bool IsSameOrBelow(const std::wstring& inner, const std::wstring& outer) {
  if (inner.size() < outer.size() || inner.compare(0, outer.size(), outer) != 0) return false;
  return inner.size() == outer.size() || inner[outer.size()] == L'\\';
}

}  // namespace

std::vector<std::wstring> ComparableForms(const std::wstring& path) {
  std::vector<std::wstring> forms;
  if (!IsAbsolute(path)) return forms;
  const std::wstring full = FullPath(path);
  AddOnce(forms, Tidy(full));
  AddOnce(forms, Tidy(LongPath(full)));
  const std::wstring real = RealPath(full);
  if (!real.empty()) {
    AddOnce(forms, Tidy(real));
    AddOnce(forms, Tidy(LongPath(real)));
  }
  return forms;
}

ProtectedFolders::ProtectedFolders(const std::vector<std::wstring>& systemFolders) {
  for (const std::wstring& folder : systemFolders) {
    for (const std::wstring& form : ComparableForms(folder)) AddOnce(forms_, form);
  }
}

bool ProtectedFolders::Refuses(const std::wstring& root) const {
  for (const std::wstring& rootForm : ComparableForms(root)) {
    for (const std::wstring& folder : forms_) {
      if (IsSameOrBelow(folder, rootForm)) return true;
    }
  }
  return false;
}

}  // namespace purlo

#include "engine/scan/SystemLookups.h"

#include <shlobj.h>

#include "win/Handles.h"

namespace purlo {

bool WindowsLookups::TempPath(std::wstring& out, DWORD& error) {
  wchar_t buffer[512];
  DWORD n = ::GetTempPathW(512, buffer);
  if (n == 0 || n > 512) {
    error = ::GetLastError();
    return false;
  }
  out.assign(buffer, n);
  return true;
}

bool WindowsLookups::SpecialFolder(int csidl, std::wstring& out) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE) || buffer[0] == L'\0') return false;
  out = buffer;
  return true;
}

bool WindowsLookups::ExpandVariable(const std::wstring& variable, std::wstring& out) {
  wchar_t buffer[1024];
  DWORD n = ::ExpandEnvironmentStringsW(variable.c_str(), buffer, 1024);
  if (n == 0 || n > 1024) return false;
  out = buffer;
  // An unknown variable comes back unexpanded.
  return !out.empty() && out != variable && out.find(L'%') == std::wstring::npos;
}

UINT WindowsLookups::DriveType(const std::wstring& drive) { return ::GetDriveTypeW(drive.c_str()); }

std::vector<std::wstring> WindowsLookups::Subfolders(const std::wstring& folderWithBackslash) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  win::UniqueFind find(::FindFirstFileW((folderWithBackslash + L"*").c_str(), &data));
  if (!find) return names;
  do {
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && lstrcmpW(data.cFileName, L".") != 0 &&
        lstrcmpW(data.cFileName, L"..") != 0) {
      names.push_back(data.cFileName);
    }
  } while (::FindNextFileW(find.Get(), &data));
  return names;
}

RegRead WindowsLookups::ReadString(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring& out) {
  win::UniqueRegKey k;
  if (::RegOpenKeyExW(root, key, 0, KEY_ALL_ACCESS, k.Put()) != ERROR_SUCCESS) return RegRead::KeyMissing;
  return ReadBoundedString(k.Get(), value, 255, out);
}

RegRead ReadBoundedString(HKEY key, const wchar_t* value, size_t bufferBytes, std::wstring& out) {
  out.clear();
  const size_t chars = bufferBytes / sizeof(wchar_t);
  std::wstring buffer(chars + 1, L'\0');
  DWORD type = 0;
  DWORD bytes = static_cast<DWORD>(chars * sizeof(wchar_t));
  LONG rc = ::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]), &bytes);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return RegRead::ValueMissing;
  size_t n = bytes / sizeof(wchar_t);
  // Stored without a terminator, or filling the buffer to the last character: too long.
  size_t len = 0;
  while (len < n && buffer[len] != L'\0') ++len;
  if (len >= chars) return RegRead::ValueMissing;
  out.assign(buffer.data(), len);
  return RegRead::Ok;
}

}  // namespace purlo

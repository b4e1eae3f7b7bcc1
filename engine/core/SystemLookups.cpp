#include "engine/core/SystemLookups.h"

#include <sddl.h>
#include <shlobj.h>

#include <memory>

#include "engine/core/Paths.h"
#include "win/Handles.h"
#include "win/SystemDll.h"
#include "win/Text.h"

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

bool SystemLookups::HoldsFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool KnownLocalLowFolder(HANDLE token, std::wstring& out) {
  using KnownFolderPath = HRESULT(WINAPI*)(const GUID& id, DWORD flags, HANDLE token, PWSTR* path);
  using TaskMemFree = void(WINAPI*)(void*);
  // FOLDERID_LocalAppDataLow; the call and the GUID are Vista's, so neither is linked.
  static const GUID kLocalAppDataLow = {0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
  const HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
  const HMODULE ole = ::GetModuleHandleW(L"ole32.dll");
  if (shell == nullptr || ole == nullptr) return false;
  const auto known = reinterpret_cast<KnownFolderPath>(
      reinterpret_cast<void*>(::GetProcAddress(shell, "SHGetKnownFolderPath")));
  const auto release = reinterpret_cast<TaskMemFree>(reinterpret_cast<void*>(::GetProcAddress(ole, "CoTaskMemFree")));
  if (known == nullptr || release == nullptr) return false;
  PWSTR path = nullptr;
  const DWORD kDontVerify = 0x00004000;  // KF_FLAG_DONT_VERIFY
  const HRESULT result = known(kLocalAppDataLow, kDontVerify, token, &path);
  const bool found = SUCCEEDED(result) && path != nullptr && path[0] != L'\0';
  if (found) out = path;
  if (path != nullptr) release(path);
  return found;
}

bool WindowsLookups::LocalLowFolder(std::wstring& out) {
  if (KnownLocalLowFolder(nullptr, out)) return true;
  if (LOBYTE(LOWORD(::GetVersion())) < 6 || !SpecialFolder(CSIDL_PROFILE, out)) return false;
  out += L"\\AppData\\LocalLow";
  return true;
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

// The machine's application registrations (App Paths, installers' keys) live
// in the 64-bit view or, written by a 32-bit installer on 64-bit Windows, in
// the 32-bit one: both are read, the 64-bit one first, whichever build reads
// them. 32-bit Windows has one view and ignores the flags.
RegRead WindowsLookups::ReadString(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring& out) {
  const bool machine = root == HKEY_LOCAL_MACHINE;
  RegRead best = RegRead::KeyMissing;
  for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_64KEY), static_cast<REGSAM>(KEY_WOW64_32KEY)}) {
    win::UniqueRegKey k;
    if (::RegOpenKeyExW(root, key, 0, KEY_ALL_ACCESS | (machine ? view : 0), k.Put()) == ERROR_SUCCESS) {
      best = ReadBoundedString(k.Get(), value, 255, out);
      if (best == RegRead::Ok) return best;
    }
    if (!machine) break;
  }
  return best;
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

namespace {

using FolderCall = UINT(WINAPI*)(LPWSTR, UINT);

void AddFromCall(std::vector<std::wstring>& folders, FolderCall call) {
  wchar_t buffer[MAX_PATH + 1];
  UINT n = call(buffer, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) folders.emplace_back(buffer, n);
}

void AddIfSet(std::vector<std::wstring>& folders, const std::wstring& folder) {
  if (!folder.empty()) folders.push_back(folder);
}

std::wstring ProfileOfThisUser() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return {};
  win::UniqueKernel token(raw);
  wchar_t buffer[MAX_PATH + 1];
  DWORD size = MAX_PATH + 1;
  return win::UserProfileDirectory(token.Get(), buffer, &size) ? std::wstring(buffer) : std::wstring();
}

std::wstring ProfilesFolder() {
  wchar_t buffer[MAX_PATH + 1];
  DWORD size = MAX_PATH + 1;
  return win::ProfilesDirectory(buffer, &size) ? std::wstring(buffer) : std::wstring();
}

}  // namespace

// In the 64-bit view too: a 32-bit program is told only of the x86 folder.
std::vector<std::wstring> ProgramFilesOfRecord() {
  std::vector<std::wstring> folders;
  for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_64KEY), static_cast<REGSAM>(KEY_WOW64_32KEY)}) {
    win::UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0, KEY_READ | view,
                        key.Put()) != ERROR_SUCCESS) {
      continue;
    }
    for (const wchar_t* value : {L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"ProgramW6432Dir"}) {
      std::wstring folder;
      // Never expanded (that would take the reader's environment): a value
      // that is no drive path as written names nothing.
      if (ReadBoundedString(key.Get(), value, 1024, folder) == RegRead::Ok && IsBelowDriveRoot(folder)) {
        folders.push_back(folder);
      }
    }
  }
  return folders;
}

std::vector<std::wstring> WindowsLookups::SystemFolders() {
  std::vector<std::wstring> folders;
  // Straight from the system, never through the overridable look-ups above.
  for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                    CSIDL_COMMON_APPDATA, CSIDL_PROFILE, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA,
                    CSIDL_LOCAL_APPDATA}) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (::SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE)) AddIfSet(folders, buffer);
  }
  AddFromCall(folders, ::GetWindowsDirectoryW);
  AddFromCall(folders, ::GetSystemWindowsDirectoryW);
  AddFromCall(folders, ::GetSystemDirectoryW);
  // Looked up at run time: not every Windows release exports it.
  if (auto wow64 = reinterpret_cast<FolderCall>(reinterpret_cast<void*>(
          ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetSystemWow64DirectoryW")))) {
    AddFromCall(folders, wow64);
  }
  for (const std::wstring& folder : ProgramFilesOfRecord()) folders.push_back(folder);
  const std::wstring profile = ProfileOfThisUser();
  AddIfSet(folders, profile);
  AddIfSet(folders, ParentFolder(profile));
  AddIfSet(folders, ProfilesFolder());
  // What the environment says, too: a variable may have been pointed elsewhere,
  // and a folder it names is protected all the same.
  for (const wchar_t* variable : {L"%SystemRoot%", L"%windir%", L"%ProgramFiles%", L"%ProgramFiles(x86)%",
                                  L"%ProgramW6432%", L"%ProgramData%", L"%ALLUSERSPROFILE%", L"%USERPROFILE%",
                                  L"%APPDATA%", L"%LOCALAPPDATA%"}) {
    std::wstring folder;
    if (WindowsLookups::ExpandVariable(variable, folder)) folders.push_back(folder);
  }
  std::wstring userProfile;
  if (WindowsLookups::ExpandVariable(L"%USERPROFILE%", userProfile)) AddIfSet(folders, ParentFolder(userProfile));
  return folders;
}

namespace {

struct LocalFreeDeleter {
  void operator()(wchar_t* text) const { ::LocalFree(text); }
};

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::wstring SystemWindowsFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = ::GetSystemWindowsDirectoryW(buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

// The ProfileImagePath of one SID, expanded; empty when there is none.
std::wstring ProfilePathOf(HKEY profileList, const std::wstring& sid) {
  win::UniqueRegKey key;
  if (::RegOpenKeyExW(profileList, sid.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return {};
  std::wstring stored;
  if (ReadBoundedString(key.Get(), L"ProfileImagePath", 2048, stored) != RegRead::Ok) return {};
  return ExpandWithSystemVariables(stored);
}

win::UniqueRegKey OpenProfileList() {
  win::UniqueRegKey list;
  ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ | KEY_WOW64_64KEY, list.Put());
  return list;
}

}  // namespace

std::wstring ProcessUserSid() {
  HANDLE raw = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) return std::wstring();
  win::UniqueKernel token(raw);
  DWORD size = 0;
  ::GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return std::wstring();
  std::vector<unsigned char> buffer(size);
  if (!::GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return std::wstring();
  wchar_t* text = nullptr;
  if (!::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text)) {
    return std::wstring();
  }
  std::unique_ptr<wchar_t, LocalFreeDeleter> owned(text);
  return std::wstring(text);
}

std::wstring ExpandWithSystemVariables(const std::wstring& text) {
  const std::wstring windows = SystemWindowsFolder();
  if (windows.size() < 2) return {};
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'%') {
      out += text[i];
      continue;
    }
    const size_t end = text.find(L'%', i + 1);
    if (end == std::wstring::npos) return {};
    const std::wstring name = text.substr(i + 1, end - i - 1);
    const std::wstring upper = win::ToUpper(name);
    if (upper == L"SYSTEMROOT" || upper == L"WINDIR") {
      out += windows;
    } else if (upper == L"SYSTEMDRIVE") {
      out += windows.substr(0, 2);
    } else {
      return {};
    }
    i = end;
  }
  return out;
}

bool WindowsLookups::ProfileFolder(std::wstring& out) {
  const std::wstring sid = ProcessUserSid();
  win::UniqueRegKey list = OpenProfileList();
  if (sid.empty() || !list) return false;
  out = ProfilePathOf(list.Get(), sid);
  return !out.empty();
}

std::vector<std::wstring> WindowsLookups::OtherProfileFolders() {
  std::vector<std::wstring> folders;
  const std::wstring self = ProcessUserSid();
  win::UniqueRegKey list = OpenProfileList();
  if (!list) return folders;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    const LONG rc = ::RegEnumKeyExW(list.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) break;
    if (win::ToUpper(name) == win::ToUpper(self)) continue;
    AddIfSet(folders, ProfilePathOf(list.Get(), name));
  }
  return folders;
}

}  // namespace purlo

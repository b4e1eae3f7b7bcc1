#include "win/SystemDll.h"

#include <atomic>
#include <cwchar>
#include <string>

namespace win {

namespace {

FARPROC Kernel32Call(const char* name) { return ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name); }

// Windows understands LOAD_LIBRARY_SEARCH_SYSTEM32 where AddDllDirectory exists.
bool KnowsSearchFlags() { return Kernel32Call("AddDllDirectory") != nullptr; }

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

// Resolves one call of a system DLL once; never unloaded.
template <typename Call>
Call SystemCall(std::atomic<Call>& cache, const wchar_t* dll, const char* name) {
  Call call = cache.load();
  if (call == nullptr) {
    HMODULE module = LoadSystemDll(dll);
    call = module ? reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
    cache.store(call);
  }
  return call;
}

using UserProfileDirectoryCall = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
using ProfilesDirectoryCall = BOOL(WINAPI*)(LPWSTR, LPDWORD);
std::atomic<UserProfileDirectoryCall> g_userProfileDirectory{nullptr};
std::atomic<ProfilesDirectoryCall> g_profilesDirectory{nullptr};

// WTSQuerySessionInformationW and WTSFreeMemory; the information class as its number.
using QuerySessionCall = BOOL(WINAPI*)(HANDLE, DWORD, int, LPWSTR*, DWORD*);
using FreeMemoryCall = void(WINAPI*)(void*);
std::atomic<QuerySessionCall> g_querySession{nullptr};
std::atomic<FreeMemoryCall> g_freeMemory{nullptr};
constexpr int kWtsUserName = 5;
constexpr int kWtsDomainName = 7;

bool SessionText(DWORD session, int what, std::wstring& out) {
  auto query = SystemCall(g_querySession, L"wtsapi32.dll", "WTSQuerySessionInformationW");
  auto release = SystemCall(g_freeMemory, L"wtsapi32.dll", "WTSFreeMemory");
  if (query == nullptr || release == nullptr) return false;
  LPWSTR text = nullptr;
  DWORD bytes = 0;
  // WTS_CURRENT_SERVER_HANDLE is null: this machine.
  if (!query(nullptr, session, what, &text, &bytes) || text == nullptr) return false;
  out.assign(text, wcsnlen(text, bytes / sizeof(wchar_t)));
  release(text);
  return true;
}

}  // namespace

void RestrictDllSearch() {
  using SetDefaultDllDirectoriesCall = BOOL(WINAPI*)(DWORD);
  auto restrict = reinterpret_cast<SetDefaultDllDirectoriesCall>(
      reinterpret_cast<void*>(Kernel32Call("SetDefaultDllDirectories")));
  if (restrict != nullptr) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::SetDllDirectoryW(L"");
}

HMODULE LoadSystemDll(const wchar_t* name) {
  if (KnowsSearchFlags()) return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  const std::wstring folder = SystemFolder();
  if (folder.empty()) return nullptr;
  // The DLL's own imports are then looked for in its folder first too.
  return ::LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadCheckedSystemFolderDll(const std::wstring& path) {
  // Without the search flags the folder of a DLL loaded by full path (here
  // the system folder) comes first for its imports.
  const DWORD flags = KnowsSearchFlags() ? LOAD_LIBRARY_SEARCH_SYSTEM32 : LOAD_WITH_ALTERED_SEARCH_PATH;
  return ::LoadLibraryExW(path.c_str(), nullptr, flags);
}

BOOL UserProfileDirectory(HANDLE token, wchar_t* buffer, DWORD* size) {
  auto call = SystemCall(g_userProfileDirectory, L"userenv.dll", "GetUserProfileDirectoryW");
  if (call == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  return call(token, buffer, size);
}

BOOL ProfilesDirectory(wchar_t* buffer, DWORD* size) {
  auto call = SystemCall(g_profilesDirectory, L"userenv.dll", "GetProfilesDirectoryW");
  if (call == nullptr) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return FALSE;
  }
  return call(buffer, size);
}

bool SessionAccount(DWORD session, std::wstring& domain, std::wstring& user) {
  if (!SessionText(session, kWtsUserName, user) || user.empty()) return false;
  if (!SessionText(session, kWtsDomainName, domain)) domain.clear();
  return true;
}

}  // namespace win

// Stands in for a DLL a user planted under the name of a system DLL the
// programs use (userenv): when loaded it writes planted-dll-loaded beside itself.
#include <windows.h>

#include <string>

namespace {

void MarkLoaded(HMODULE self) {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(self, path, MAX_PATH * 4);
  if (n == 0 || n >= MAX_PATH * 4) return;
  std::wstring marker(path, n);
  marker = marker.substr(0, marker.find_last_of(L'\\') + 1) + L"planted-dll-loaded";
  HANDLE file = ::CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) MarkLoaded(self);
  return TRUE;
}

// userenv's calls the programs make, so that an import of them would bind here.
extern "C" __declspec(dllexport) BOOL WINAPI GetUserProfileDirectoryW(HANDLE, LPWSTR, LPDWORD) { return FALSE; }
extern "C" __declspec(dllexport) BOOL WINAPI GetProfilesDirectoryW(LPWSTR, LPDWORD) { return FALSE; }

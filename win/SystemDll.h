// Where an elevated program finds its DLLs: only in the system folder, never
// in its own folder or the current one, which a user may be able to write.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// Restricts the DLL search of the whole process from now on: the system folder
// only where Windows has SetDefaultDllDirectories (8, and 7 with its update),
// and never the current folder (also on XP). The first thing each program does.
void RestrictDllSearch();

// A DLL of the system (a bare file name such as L"userenv.dll") loaded from the
// system folder by full path; null when it cannot be loaded. Each load holds a
// reference for the rest of the process's life.
HMODULE LoadSystemDll(const wchar_t* name);
// A DLL whose full path the caller has checked to lie directly in the system
// folder, loaded by that path with its own imports looked for in the system
// folder; null when it cannot be loaded. Held for the rest of the process's life.
HMODULE LoadCheckedSystemFolderDll(const std::wstring& path);

// userenv's calls, loaded at first use: userenv is not a KnownDLL, so an
// import would be looked for beside the program first. False (with
// ERROR_PROC_NOT_FOUND) when userenv cannot be loaded.
BOOL UserProfileDirectory(HANDLE token, wchar_t* buffer, DWORD* size);
BOOL ProfilesDirectory(wchar_t* buffer, DWORD* size);

// wtsapi32's answer (also not a KnownDLL) for a session: the user logged on
// to it and their domain. False when wtsapi32 cannot be loaded or the session
// has no user.
bool SessionAccount(DWORD session, std::wstring& domain, std::wstring& user);

}  // namespace win

// The update check: at every start an external updater, beside the program,
// says whether a newer version exists.
#pragma once

#include <windows.h>

#include <string>

namespace purlo {

constexpr DWORD kUpdaterFoundUpdate = 100;  // flash the About button; About opens the product page
constexpr DWORD kUpdaterOpenPage = 101;     // open the product page at once

// The product page, written the way the maker's updater expects it.
extern const wchar_t kProductPage[];

// "ovupdate.exe Q00000042 v1.4 " and the file name of programPath. False when
// the whole does not fit the updater's 259 characters: the check is skipped
// rather than run with a cut-off name.
bool BuildUpdaterCommandLine(const std::wstring& programPath, std::wstring* commandLine);

// The updater in programPath's own folder. Only that one is ever started: the
// program runs with administrator rights, and a bare "ovupdate.exe" would also
// be looked for in the current folder and on PATH.
std::wstring UpdaterBeside(const std::wstring& programPath);

// The running program's full path, its file name spelled as the file is named.
bool RunningProgramPath(std::wstring* path);

// Runs the updater beside programPath and waits for it without a time limit,
// only when programPath's folder lies inside a Program Files folder: anywhere
// else (a portable copy in a folder the user can write) a planted updater would
// run with the program's administrator rights. False when it did not run.
bool RunUpdater(const std::wstring& programPath, DWORD* exitCode);

// Opens kProductPage with the shell's "open" verb.
void OpenProductPage();

// The message the dialog receives when the updater reported kUpdaterFoundUpdate.
UINT UpdateAvailableMessage();

// The window the check may report to, registered by the dialog while it
// exists: the check posts only while it is attached, under the same lock that
// detaching takes, so a destroyed (or reused) window handle is never reached.
void AttachUpdateTarget(HWND dialog);
void DetachUpdateTarget(HWND dialog);

// Thread entry: the argument is the dialog's window handle. Returns 0.
unsigned __stdcall UpdateCheckThread(void* dialogWindow);

// Attaches the dialog as the target and starts UpdateCheckThread detached
// (its handle is closed at once). The dialog detaches itself at WM_DESTROY.
void StartUpdateCheck(HWND dialog);

}  // namespace purlo

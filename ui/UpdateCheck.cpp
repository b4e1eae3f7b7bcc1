#include "ui/UpdateCheck.h"

#include <objbase.h>
#include <shellapi.h>

#include <vector>

#include "res/version.h"
#include "ui/ProgramFiles.h"
#include "win/Handles.h"
#include "win/Thread.h"

namespace purlo {

const wchar_t kProductPage[] = L"http:\\\\www.example.com\\Q00000042";

namespace {

const wchar_t kUpdaterName[] = L"ovupdate.exe";
const wchar_t kCommandPrefix[] = L"ovupdate.exe Q00000042 v" PURLO_WIDE(PURLO_VERSION_TEXT) L" ";
// The updater's command-line buffer: 260 characters with the terminator.
constexpr size_t kCommandLineLimit = 259;

std::wstring FileNamePart(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderPart(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Never destroyed: the check may still be running while the runtime tears
// down the process's statics at exit.
win::CriticalSection& TargetLock() {
  static win::CriticalSection* lock = new win::CriticalSection;
  return *lock;
}
HWND g_target = nullptr;

void ReportUpdateAvailable(HWND dialog) {
  win::Lock guard(TargetLock());
  if (dialog != nullptr && dialog == g_target) ::PostMessageW(dialog, UpdateAvailableMessage(), 0, 0);
}

// The shell may use COM for the "open" verb; this thread is its own apartment.
class ComApartment {
 public:
  ComApartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComApartment() {
    if (ok_) ::CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool ok_;
};

}  // namespace

bool BuildUpdaterCommandLine(const std::wstring& programPath, std::wstring* commandLine) {
  const std::wstring name = FileNamePart(programPath);
  std::wstring line = kCommandPrefix + name;
  if (name.empty() || line.size() > kCommandLineLimit) return false;
  *commandLine = std::move(line);
  return true;
}

std::wstring UpdaterBeside(const std::wstring& programPath) {
  const std::wstring folder = FolderPart(programPath);
  return folder.empty() ? std::wstring() : folder + L"\\" + kUpdaterName;
}

bool RunningProgramPath(std::wstring* path) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return false;
    if (n < buffer.size() - 1) {
      buffer.resize(n);
      break;
    }
    if (buffer.size() >= 32768) return false;  // cut off
    buffer.resize(buffer.size() * 2);
  }
  std::wstring full(buffer.begin(), buffer.end());
  // The loader keeps the path the program was started by; the file itself may
  // be spelled otherwise (case, short name).
  WIN32_FIND_DATAW found;
  win::UniqueFind find(::FindFirstFileW(full.c_str(), &found));
  if (find) full = FolderPart(full) + L"\\" + found.cFileName;
  *path = std::move(full);
  return true;
}

bool RunUpdater(const std::wstring& programPath, DWORD* exitCode) {
  std::wstring commandLine;
  const std::wstring updater = UpdaterBeside(programPath);
  if (updater.empty() || !BuildUpdaterCommandLine(programPath, &commandLine)) return false;
  // The folders on the updater's path stay open until it has started, so
  // none of them can be swapped between the check and the start.
  std::vector<win::UniqueFile> pins;
  if (!InsideProgramFiles(FolderPart(programPath), &pins)) return false;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const BOOL started = ::CreateProcessW(updater.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                        &startup, &info);
  pins.clear();
  if (!started) return false;
  win::UniqueKernel process(info.hProcess);
  win::UniqueKernel thread(info.hThread);
  ::WaitForSingleObject(process.Get(), INFINITE);
  return ::GetExitCodeProcess(process.Get(), exitCode) != FALSE;
}

void OpenProductPage() {
  ComApartment apartment;
  ::ShellExecuteW(nullptr, L"open", kProductPage, nullptr, nullptr, SW_SHOWNORMAL);
}

UINT UpdateAvailableMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"Purlo.UpdateAvailable");
  return message;
}

void AttachUpdateTarget(HWND dialog) {
  win::Lock guard(TargetLock());
  g_target = dialog;
}

void DetachUpdateTarget(HWND dialog) {
  win::Lock guard(TargetLock());
  if (g_target == dialog) g_target = nullptr;
}

unsigned __stdcall UpdateCheckThread(void* dialogWindow) {
  std::wstring program;
  DWORD exitCode = 0;
  if (!RunningProgramPath(&program) || !RunUpdater(program, &exitCode)) return 0;
  if (exitCode == kUpdaterFoundUpdate) ReportUpdateAvailable(static_cast<HWND>(dialogWindow));
  if (exitCode == kUpdaterOpenPage) OpenProductPage();
  return 0;
}

void StartUpdateCheck(HWND dialog) {
  AttachUpdateTarget(dialog);
  win::UniqueThread thread = win::BeginThread(UpdateCheckThread, dialog);
}

}  // namespace purlo

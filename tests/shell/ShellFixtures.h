// The stand-in updater and the http recorder that tests/shell/prepare_shell.sh
// put into the sandbox, and what they leave behind.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

extern const wchar_t kShellBin[];  // C:\purlo-shell\bin
// A link (laid by prepare_shell.sh) from a user folder to C:\Program Files.
extern const wchar_t kLinkToProgramFiles[];  // C:\purlo-shell\pf-link

// C:\Program Files\Purlo, fresh when created and removed at the end: an
// installed copy, the only place the update check starts the updater from.
class InstalledFolder {
 public:
  InstalledFolder();
  ~InstalledFolder();
  InstalledFolder(const InstalledFolder&) = delete;
  InstalledFolder& operator=(const InstalledFolder&) = delete;

  const std::wstring& Path() const { return path_; }
  std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

 private:
  std::wstring path_;
};

// Copies the stand-in updater to <folder>\ovupdate.exe; it will exit with
// exitCode after waitMs.
void PlaceUpdater(const std::wstring& folder, unsigned exitCode, unsigned waitMs = 0);
// The command lines the updater in folder was started with, one per run.
std::vector<std::wstring> UpdaterRuns(const std::wstring& folder);
bool UpdaterEnded(const std::wstring& folder);

// The addresses the sandbox's http handler was asked to open since the last clear.
std::vector<std::wstring> OpenedAddresses();
void ClearOpenedAddresses();
// The prefix's http "open" command (HKCU classes), as registered.
std::wstring HttpOpenCommand();

std::vector<std::wstring> Lines(const std::string& utf8);
void CopyInto(const std::wstring& from, const std::wstring& to);

}  // namespace testing_support

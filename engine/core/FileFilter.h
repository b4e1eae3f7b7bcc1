// What a run leaves alone on purpose: files younger than an age limit, and
// paths on a keep list. The walk asks before it enters a folder and before it
// shows a file to its visitor; the single-file categories ask the same. Set
// by purlo-cli for a run; the dialog sets none.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace purlo {

struct FilterRules {
  // A file is old enough when its last write and its creation both lie
  // before this moment (FILETIME units); 0 sets no age limit.
  uint64_t notAfter = 0;
  // Windows paths with * and ?, matched on whole path components without
  // regard to case. One that starts with a drive ("C:") or a share ("\\")
  // matches a path from its start; any other matches the path's last
  // components ("*\.git", "keep-*.log"). Each as KeepPatternForms made it.
  std::vector<std::wstring> keep;
};

// The names by which a path reaches this machine's own administrative shares
// ("\\localhost\c$"), upper case: localhost, loopback addresses and the
// computer's NetBIOS and DNS names.
std::vector<std::wstring> ThisMachineNames();

// The patterns one keep pattern as written stands for, read as Windows reads
// the path it names: "/" as "\", doubled separators as one, "." and ".."
// folded (never above a drive or share root), the "\\?\" and "\\.\"
// prefixes and a default stream ("::$DATA") dropped; a share of this machine
// ("\\localhost\c$\x", "machineNames") as its drive path besides; a name
// ending in a dot or a space both as written and trimmed, as Windows trims
// it; and, for a drive path, its existing part in long and in short (8.3)
// names besides. A keep list errs towards keeping. False when the pattern
// names no path at all: nothing left after folding (".."), a stream other
// than the default ("keep.txt:s"), a device ("\\.\nul").
bool KeepPatternForms(const std::wstring& pattern, const std::vector<std::wstring>& machineNames,
                      std::vector<std::wstring>& forms);

// One pattern against one path (ordinary or long form, "\\?\C:\..."): both
// are split at backslashes (or slashes) and compared component by component.
bool MatchesKeepPattern(const std::wstring& pattern, const std::wstring& path);

class FileFilter {
 public:
  explicit FileFilter(FilterRules rules);

  // `real` is the path's real location, or empty; either matching keeps it.
  // `shortNames` is `path` with each component the walk met in its short
  // (8.3) name where it has one, or empty; a pattern may name either form.
  bool KeepsFolder(const std::wstring& path, const std::wstring& real,
                   const std::wstring& shortNames = std::wstring()) const;
  bool KeepsFile(const std::wstring& path, const std::wstring& real, const WIN32_FIND_DATAW& entry,
                 const std::wstring& shortNames = std::wstring()) const;
  bool HasKeepList() const { return !keep_.empty(); }

 private:
  bool OnKeepList(const std::wstring& path, const std::wstring& real, const std::wstring& shortNames) const;
  bool Young(const WIN32_FIND_DATAW& entry) const;

  uint64_t notAfter_;
  std::vector<std::vector<std::wstring>> keep_;  // upper-case components
  std::vector<bool> anchored_;
};

// Files a filter kept: each walk and each worker adds up its own.
struct KeptFiles {
  uint64_t files = 0;
  uint64_t bytes = 0;
  void Add(const KeptFiles& more);
};

// The walk's two questions, asked of a run's filter (none: nullptr, nothing
// is kept); cheap without one. A kept file is added to `kept`.
bool KeptFolder(const FileFilter* filter, const std::wstring& path, const std::wstring& real,
                const std::wstring& shortNames = std::wstring());
bool KeptFile(const FileFilter* filter, const std::wstring& path, const std::wstring& real,
              const WIN32_FIND_DATAW& entry, const std::wstring& shortNames, KeptFiles& kept);
// Whether the filter has a keep list: only then does a walk track short names.
bool KeepListSet(const FileFilter* filter);
// A single-file root, as it is listed; added to `kept` when kept.
bool KeptSingleFile(const FileFilter* filter, const std::wstring& path, KeptFiles& kept);

}  // namespace purlo

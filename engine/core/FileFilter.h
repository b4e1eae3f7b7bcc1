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
  // components ("*\.git", "keep-*.log").
  std::vector<std::wstring> keep;
};

// One pattern against one path (ordinary or long form, "\\?\C:\..."): both
// are split at backslashes (or slashes) and compared component by component.
bool MatchesKeepPattern(const std::wstring& pattern, const std::wstring& path);

class FileFilter {
 public:
  explicit FileFilter(FilterRules rules);

  // `real` is the path's real location, or empty; either matching keeps it.
  bool KeepsFolder(const std::wstring& path, const std::wstring& real) const;
  bool KeepsFile(const std::wstring& path, const std::wstring& real, const WIN32_FIND_DATAW& entry) const;

 private:
  bool OnKeepList(const std::wstring& path, const std::wstring& real) const;
  bool Young(const WIN32_FIND_DATAW& entry) const;

  uint64_t notAfter_;
  std::vector<std::vector<std::wstring>> keep_;  // upper-case components
  std::vector<bool> anchored_;
};

// The filter of the run in progress, or none. Set before a run starts and
// left alone until it has ended.
extern const FileFilter* RunFilter;

// Files the filter kept so far on this thread: each worker runs on its own
// thread and takes its figures at the end.
struct KeptFiles {
  uint64_t files = 0;
  uint64_t bytes = 0;
};
KeptFiles TakeKeptFiles();

// The walk's two questions; cheap when no filter is set. A kept file is added
// to this thread's KeptFiles.
bool KeptFolder(const std::wstring& path, const std::wstring& real);
bool KeptFile(const std::wstring& path, const std::wstring& real, const WIN32_FIND_DATAW& entry);
// A single-file root, as it is listed.
bool KeptSingleFile(const std::wstring& path);

}  // namespace purlo

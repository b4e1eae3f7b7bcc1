#include "engine/core/FileFilter.h"

#include "engine/core/ByteCount.h"
#include "engine/core/Paths.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace purlo {

const FileFilter* RunFilter = nullptr;

namespace {

thread_local KeptFiles keptHere;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// "\\?\C:\a" is "C:\a" and "\\?\UNC\host\share" is "\\host\share": patterns
// are written in the ordinary form.
std::wstring Ordinary(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + path.substr(8);
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path.substr(4);
  return path;
}

std::vector<std::wstring> Components(const std::wstring& path) {
  std::vector<std::wstring> parts;
  size_t begin = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || IsSeparator(path[i])) {
      if (i > begin) parts.push_back(path.substr(begin, i - begin));
      begin = i + 1;
    }
  }
  return parts;
}

bool IsAnchored(const std::wstring& pattern) {
  return (pattern.size() >= 2 && pattern[1] == L':') || (pattern.size() >= 2 && IsSeparator(pattern[0]) &&
                                                          IsSeparator(pattern[1]));
}

// * is any run of characters, ? any one, inside one component. Iterative,
// with one point to come back to: no recursion, linear in practice.
bool MatchComponent(const std::wstring& pattern, const std::wstring& name) {
  size_t p = 0, n = 0, star = std::wstring::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = n;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

bool MatchComponents(const std::vector<std::wstring>& pattern, bool anchored, const std::vector<std::wstring>& path) {
  if (pattern.empty() || pattern.size() > path.size()) return false;
  if (anchored && pattern.size() != path.size()) return false;
  const size_t offset = path.size() - pattern.size();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (!MatchComponent(pattern[i], path[offset + i])) return false;
  }
  return true;
}

uint64_t Ticks(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

}  // namespace

bool MatchesKeepPattern(const std::wstring& pattern, const std::wstring& path) {
  return MatchComponents(Components(win::ToUpper(pattern)), IsAnchored(pattern),
                         Components(win::ToUpper(Ordinary(path))));
}

FileFilter::FileFilter(FilterRules rules) : notAfter_(rules.notAfter) {
  for (const std::wstring& pattern : rules.keep) {
    keep_.push_back(Components(win::ToUpper(pattern)));
    anchored_.push_back(IsAnchored(pattern));
  }
}

bool FileFilter::OnKeepList(const std::wstring& path, const std::wstring& real) const {
  if (keep_.empty()) return false;
  const std::vector<std::wstring> named = Components(win::ToUpper(Ordinary(path)));
  const std::vector<std::wstring> really =
      real.empty() ? std::vector<std::wstring>() : Components(win::ToUpper(Ordinary(real)));
  for (size_t i = 0; i < keep_.size(); ++i) {
    if (MatchComponents(keep_[i], anchored_[i], named)) return true;
    if (!really.empty() && MatchComponents(keep_[i], anchored_[i], really)) return true;
  }
  return false;
}

bool FileFilter::Young(const WIN32_FIND_DATAW& entry) const {
  return notAfter_ != 0 && (Ticks(entry.ftLastWriteTime) > notAfter_ || Ticks(entry.ftCreationTime) > notAfter_);
}

bool FileFilter::KeepsFolder(const std::wstring& path, const std::wstring& real) const { return OnKeepList(path, real); }

bool FileFilter::KeepsFile(const std::wstring& path, const std::wstring& real, const WIN32_FIND_DATAW& entry) const {
  return Young(entry) || OnKeepList(path, real);
}

KeptFiles TakeKeptFiles() {
  KeptFiles taken = keptHere;
  keptHere = KeptFiles();
  return taken;
}

bool KeptFolder(const std::wstring& path, const std::wstring& real) {
  return RunFilter != nullptr && RunFilter->KeepsFolder(path, real);
}

bool KeptFile(const std::wstring& path, const std::wstring& real, const WIN32_FIND_DATAW& entry) {
  if (RunFilter == nullptr || !RunFilter->KeepsFile(path, real, entry)) return false;
  ++keptHere.files;
  AddBytes(keptHere.bytes, (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
  return true;
}

bool KeptSingleFile(const std::wstring& path) {
  if (RunFilter == nullptr) return false;
  // Its dates as listed decide; the sweep still opens and checks it on its own.
  const std::wstring named = LongForm(path);
  if (named.find_first_of(L"*?", 4) != std::wstring::npos) return false;  // a pattern names no one file
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW(named.c_str(), &entry));
  if (!listing || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  return KeptFile(named, std::wstring(), entry);
}

}  // namespace purlo

#include "engine/core/CategoryWalk.h"

#include <string>

#include "engine/core/Paths.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace purlo {

namespace {

uint64_t NowTicks() {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

uint64_t Ticks(const LARGE_INTEGER& time) { return static_cast<uint64_t>(time.QuadPart); }

// Alternatives are split by '|'.
bool MatchesAnyPattern(const wchar_t* patterns, const ListedEntry& listed) {
  const std::wstring name = win::ToUpper(std::wstring(listed.name, listed.nameLength));
  const std::wstring all = win::ToUpper(patterns);
  for (size_t begin = 0;;) {
    const size_t end = all.find(L'|', begin);
    if (MatchesWildcard(all.substr(begin, end == std::wstring::npos ? std::wstring::npos : end - begin), name)) return true;
    if (end == std::wstring::npos) return false;
    begin = end + 1;
  }
}

}  // namespace

bool MatchesNamePattern(const wchar_t* pattern, const wchar_t* name, size_t length) {
  return MatchesWildcard(win::ToUpper(pattern), win::ToUpper(std::wstring(name, length)));
}

CategoryWalk::CategoryWalk(JunkCategory category) : neverTouched_(Info(category).neverTouched) {
  const uint64_t age = static_cast<uint64_t>(Info(category).minAgeMinutes) * 60 * 10000000;
  if (age != 0) notAfter_ = NowTicks() - age;
}

bool CategoryWalk::NeverTouched(const ListedEntry& listed) const {
  if (neverTouched_ == nullptr) return false;
  for (const wchar_t* const* name = neverTouched_; *name != nullptr; ++name) {
    if (MatchesNamePattern(*name, listed.name, listed.nameLength)) return true;
  }
  return false;
}

bool CategoryWalk::LeavesFolder(const ListedEntry& listed) const { return NeverTouched(listed); }

// Young by either date, as the run's own age limit judges.
bool CategoryWalk::LeavesFile(const ListedEntry& listed) const {
  if (NeverTouched(listed)) return true;
  if (namePattern_ != nullptr && !MatchesAnyPattern(namePattern_, listed)) return true;
  return notAfter_ != 0 && (Ticks(listed.lastWriteTime) > notAfter_ || Ticks(listed.creationTime) > notAfter_);
}

bool CategoryLeavesSingleFile(JunkCategory category, const std::wstring& path, const wchar_t* pattern) {
  WIN32_FIND_DATAW data;
  win::UniqueFind listing(::FindFirstFileW(LongForm(path).c_str(), &data));
  if (!listing || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return true;
  ListedEntry listed;
  listed.name = data.cFileName;
  listed.nameLength = wcslen(data.cFileName);
  listed.attributes = data.dwFileAttributes;
  listed.creationTime.LowPart = data.ftCreationTime.dwLowDateTime;
  listed.creationTime.HighPart = static_cast<LONG>(data.ftCreationTime.dwHighDateTime);
  listed.lastWriteTime.LowPart = data.ftLastWriteTime.dwLowDateTime;
  listed.lastWriteTime.HighPart = static_cast<LONG>(data.ftLastWriteTime.dwHighDateTime);
  CategoryWalk walk(category);
  walk.SetNamePattern(pattern);
  return walk.LeavesFile(listed);
}

}  // namespace purlo

#include "engine/core/FileFilter.h"

#include <algorithm>
#include <cstddef>
#include <cwchar>
#include <cwctype>

#include "engine/core/ByteCount.h"
#include "engine/core/Paths.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace purlo {

namespace {

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

// `shortNames`, when it has as many components as `path`, holds the same
// path in short names: a pattern component may match either.
bool MatchComponents(const std::vector<std::wstring>& pattern, bool anchored, const std::vector<std::wstring>& path,
                     const std::vector<std::wstring>& shortNames = std::vector<std::wstring>()) {
  if (pattern.empty() || pattern.size() > path.size()) return false;
  if (anchored && pattern.size() != path.size()) return false;
  const bool withShort = shortNames.size() == path.size();
  const size_t offset = path.size() - pattern.size();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (MatchesWildcard(pattern[i], path[offset + i])) continue;
    if (withShort && MatchesWildcard(pattern[i], shortNames[offset + i])) continue;
    return false;
  }
  return true;
}

// --- Keep patterns read as Windows reads a path ---

enum class PatternKind { Drive, Share, Trailing };

struct PatternPath {
  PatternKind kind = PatternKind::Trailing;
  // Drive: "C:" first; Share: server and share first; Trailing: the names.
  std::vector<std::wstring> parts;
  size_t RootParts() const { return kind == PatternKind::Drive ? 1 : kind == PatternKind::Share ? 2 : 0; }
};

bool HasPrefixNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() && win::ToUpper(text.substr(0, prefix.size())) == win::ToUpper(prefix);
}

bool IsDriveSpec(const std::wstring& text) { return text.size() >= 2 && iswalpha(text[0]) && text[1] == L':'; }

// "\\?\C:\x", "\\.\C:\x" and "\??\C:\x" are "C:\x"; "\\?\UNC\srv\s" is
// "\\srv\s". False for what such a prefix leads to besides: a device, a
// volume by its GUID, the object manager's root.
bool DropDevicePrefix(std::wstring& text) {
  if (!HasPrefixNoCase(text, L"\\\\?\\") && !HasPrefixNoCase(text, L"\\\\.\\") && !HasPrefixNoCase(text, L"\\??\\")) {
    return true;
  }
  const std::wstring rest = text.substr(4);
  if (HasPrefixNoCase(rest, L"UNC\\")) {
    text = L"\\\\" + rest.substr(4);
    return true;
  }
  if (IsDriveSpec(rest) && (rest.size() == 2 || rest[2] == L'\\')) {
    text = rest;
    return true;
  }
  return false;
}

// The default data stream (a file's) and index (a folder's) spelled out name
// the file or folder itself.
bool DropDefaultStream(std::wstring& part) {
  for (const wchar_t* stream : {L"::$DATA", L"::$INDEX_ALLOCATION", L":$I30:$INDEX_ALLOCATION"}) {
    const size_t length = wcslen(stream);
    if (part.size() > length && win::ToUpper(part.substr(part.size() - length)) == stream) {
      part.resize(part.size() - length);
      return true;
    }
  }
  return false;
}

std::wstring WithoutTrailingDotsAndSpaces(std::wstring part) {
  while (!part.empty() && (part.back() == L'.' || part.back() == L' ')) part.pop_back();
  return part;
}

// "." dropped and ".." taking the part before it away, never a root part;
// with `trim`, each name's trailing dots and spaces dropped as Windows drops
// them (a name of nothing else goes).
PatternPath Folded(const PatternPath& path, bool trim) {
  PatternPath folded;
  folded.kind = path.kind;
  const size_t root = path.RootParts();
  for (size_t i = 0; i < path.parts.size(); ++i) {
    const std::wstring& part = path.parts[i];
    if (i < root) {
      folded.parts.push_back(part);
    } else if (part == L".") {
    } else if (part == L"..") {
      if (folded.parts.size() > root) folded.parts.pop_back();
    } else if (!trim) {
      folded.parts.push_back(part);
    } else {
      std::wstring trimmed = WithoutTrailingDotsAndSpaces(part);
      if (!trimmed.empty()) folded.parts.push_back(trimmed);
    }
  }
  return folded;
}

std::wstring Joined(const std::vector<std::wstring>& parts, size_t count) {
  std::wstring text;
  for (size_t i = 0; i < count && i < parts.size(); ++i) {
    if (i > 0) text += L'\\';
    text += parts[i];
  }
  return text;
}

std::wstring PatternText(const PatternPath& path) {
  const std::wstring joined = Joined(path.parts, path.parts.size());
  return path.kind == PatternKind::Share ? L"\\\\" + joined : joined;
}

// "\\localhost\c$\x" is "C:\x", "\\localhost\admin$\x" the Windows folder's
// "x": false for any other share.
bool AsLocalDrivePath(const PatternPath& path, const std::vector<std::wstring>& machineNames, PatternPath& drivePath) {
  if (path.kind != PatternKind::Share || path.parts.size() < 2) return false;
  const std::wstring server = win::ToUpper(path.parts[0]);
  if (std::find(machineNames.begin(), machineNames.end(), server) == machineNames.end()) return false;
  const std::wstring share = win::ToUpper(path.parts[1]);
  drivePath.kind = PatternKind::Drive;
  if (share.size() == 2 && iswalpha(share[0]) && share[1] == L'$') {
    drivePath.parts = {share.substr(0, 1) + L":"};
  } else if (share == L"ADMIN$") {
    wchar_t windows[MAX_PATH];
    const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    drivePath.parts = Components(windows);
  } else {
    return false;
  }
  drivePath.parts.insert(drivePath.parts.end(), path.parts.begin() + 2, path.parts.end());
  return true;
}

using PathNameCall = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);

std::wstring CalledPathName(PathNameCall call, const std::wstring& path) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD n = call(path.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::wstring();
    if (n < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.assign(n + 1, L'\0');
  }
  return std::wstring();
}

// The drive path with the longest part of it that exists (up to its first
// wildcard) in the names `call` gives; empty when no part exists.
std::wstring WithExistingPartAs(PathNameCall call, const PatternPath& path) {
  size_t plain = 0;
  while (plain < path.parts.size() && path.parts[plain].find_first_of(L"*?") == std::wstring::npos) ++plain;
  for (size_t count = plain; count >= 2; --count) {
    // The long form only where it is needed: Wine hands a "\\?\" path back unchanged.
    const std::wstring part = Joined(path.parts, count);
    const std::wstring named = CalledPathName(call, part.size() < MAX_PATH ? part : LongForm(part));
    if (named.empty()) continue;
    PatternPath found;
    found.kind = PatternKind::Drive;
    found.parts = Components(OrdinaryForm(named));
    found.parts.insert(found.parts.end(), path.parts.begin() + static_cast<ptrdiff_t>(count), path.parts.end());
    return PatternText(found);
  }
  return std::wstring();
}

void AddForm(std::vector<std::wstring>& forms, const std::wstring& form) {
  if (form.empty()) return;
  const std::wstring upper = win::ToUpper(form);
  for (const std::wstring& known : forms) {
    if (win::ToUpper(known) == upper) return;
  }
  forms.push_back(form);
}

uint64_t Ticks(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

}  // namespace

std::vector<std::wstring> ThisMachineNames() {
  std::vector<std::wstring> names = {L"LOCALHOST", L"127.0.0.1", L"0--1.IPV6-LITERAL.NET"};
  for (COMPUTER_NAME_FORMAT format : {ComputerNameNetBIOS, ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
    wchar_t name[256];
    DWORD length = 256;
    if (::GetComputerNameExW(format, name, &length) && length > 0) AddForm(names, win::ToUpper(std::wstring(name, length)));
  }
  return names;
}

bool KeepPatternForms(const std::wstring& pattern, const std::vector<std::wstring>& machineNames,
                      std::vector<std::wstring>& forms) {
  std::wstring text = pattern;
  std::replace(text.begin(), text.end(), L'/', L'\\');
  if (!DropDevicePrefix(text)) return false;
  // "C:x" is relative to the drive's current folder, as Windows reads it.
  if (IsDriveSpec(text) && text.size() > 2 && text[2] != L'\\') text = FullPathName(text);
  PatternPath path;
  path.kind = IsDriveSpec(text) ? PatternKind::Drive
              : (text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\') ? PatternKind::Share
                                                                         : PatternKind::Trailing;
  path.parts = Components(text);
  for (size_t i = path.RootParts(); i < path.parts.size(); ++i) {
    DropDefaultStream(path.parts[i]);
    if (path.parts[i].find(L':') != std::wstring::npos) return false;  // another stream, or a drive in the middle
  }
  forms.clear();
  for (bool trim : {false, true}) {
    const PatternPath folded = Folded(path, trim);
    if (folded.parts.empty()) continue;
    std::vector<PatternPath> paths = {folded};
    PatternPath drivePath;
    if (AsLocalDrivePath(folded, machineNames, drivePath)) paths.push_back(drivePath);
    for (const PatternPath& form : paths) {
      AddForm(forms, PatternText(form));
      if (form.kind != PatternKind::Drive) continue;
      AddForm(forms, WithExistingPartAs(::GetLongPathNameW, form));
      AddForm(forms, WithExistingPartAs(::GetShortPathNameW, form));
    }
  }
  return !forms.empty();
}

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

bool FileFilter::OnKeepList(const std::wstring& path, const std::wstring& real, const std::wstring& shortNames) const {
  if (keep_.empty()) return false;
  const std::vector<std::wstring> named = Components(win::ToUpper(Ordinary(path)));
  const std::vector<std::wstring> shortened =
      shortNames.empty() ? std::vector<std::wstring>() : Components(win::ToUpper(Ordinary(shortNames)));
  const std::vector<std::wstring> really =
      real.empty() ? std::vector<std::wstring>() : Components(win::ToUpper(Ordinary(real)));
  for (size_t i = 0; i < keep_.size(); ++i) {
    if (MatchComponents(keep_[i], anchored_[i], named, shortened)) return true;
    if (!really.empty() && MatchComponents(keep_[i], anchored_[i], really)) return true;
  }
  return false;
}

bool FileFilter::Young(const WIN32_FIND_DATAW& entry) const {
  return notAfter_ != 0 && (Ticks(entry.ftLastWriteTime) > notAfter_ || Ticks(entry.ftCreationTime) > notAfter_);
}

bool FileFilter::KeepsFolder(const std::wstring& path, const std::wstring& real, const std::wstring& shortNames) const {
  return OnKeepList(path, real, shortNames);
}

bool FileFilter::KeepsFile(const std::wstring& path, const std::wstring& real, const WIN32_FIND_DATAW& entry,
                           const std::wstring& shortNames) const {
  return Young(entry) || OnKeepList(path, real, shortNames);
}

void KeptFiles::Add(const KeptFiles& more) {
  files += more.files;
  AddBytes(bytes, more.bytes);
}

bool KeptFolder(const FileFilter* filter, const std::wstring& path, const std::wstring& real,
                const std::wstring& shortNames) {
  return filter != nullptr && filter->KeepsFolder(path, real, shortNames);
}

bool KeptFile(const FileFilter* filter, const std::wstring& path, const std::wstring& real,
              const WIN32_FIND_DATAW& entry, const std::wstring& shortNames, KeptFiles& kept) {
  if (filter == nullptr || !filter->KeepsFile(path, real, entry, shortNames)) return false;
  ++kept.files;
  AddBytes(kept.bytes, (static_cast<uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow);
  return true;
}

bool KeepListSet(const FileFilter* filter) { return filter != nullptr && filter->HasKeepList(); }

bool KeptSingleFile(const FileFilter* filter, const std::wstring& path, KeptFiles& kept) {
  if (filter == nullptr) return false;
  // Its dates as listed decide; the sweep still opens and checks it on its own.
  const std::wstring named = LongForm(path);
  if (named.find_first_of(L"*?", 4) != std::wstring::npos) return false;  // a pattern names no one file
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW(named.c_str(), &entry));
  if (!listing || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  std::wstring shortNames;
  if (entry.cAlternateFileName[0] != L'\0') {
    shortNames = named.substr(0, named.find_last_of(L'\\') + 1) + entry.cAlternateFileName;
  }
  return KeptFile(filter, named, std::wstring(), entry, shortNames, kept);
}

}  // namespace purlo

#include "engine/core/RootJudge.h"

#include <shlobj.h>

#include <algorithm>

#include "engine/core/Paths.h"
#include "win/Text.h"

namespace purlo {

namespace {

using C = JunkCategory;

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Where the root of a long-form path ends: "\\?\C:\" or "\\?\UNC\server\share".
size_t LongRootLength(const std::wstring& path) {
  if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
    const size_t server = path.find(L'\\', 8);
    if (server == std::wstring::npos) return path.size();
    const size_t share = path.find(L'\\', server + 1);
    return share == std::wstring::npos ? path.size() : share;
  }
  return path.size() >= 7 ? 7 : path.size();
}

// The folder above a long-form path; empty at its drive or share root.
std::wstring LongParent(const std::wstring& path) {
  const size_t root = LongRootLength(path);
  if (path.size() <= root) return std::wstring();
  const size_t cut = path.rfind(L'\\');
  if (cut == std::wstring::npos) return std::wstring();
  return path.substr(0, cut < root ? root : cut);
}

std::wstring LastName(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

// A drive root needs its backslash to be opened as the folder it is.
std::wstring Openable(const std::wstring& longFolder) {
  return longFolder.size() == 6 && longFolder[5] == L':' ? longFolder + L'\\' : longFolder;
}

bool Contains(const std::vector<FileIdentity>& list, const FileIdentity& identity) {
  return std::find(list.begin(), list.end(), identity) != list.end();
}

// The attributes the folder holding `longPath` lists it with; false when it does not.
bool ListedAttributes(const std::wstring& longPath, DWORD& attributes) {
  WIN32_FIND_DATAW data;
  win::UniqueFind found(::FindFirstFileW(longPath.c_str(), &data));
  if (!found) return false;
  attributes = data.dwFileAttributes;
  return true;
}

// Where real locations cannot be told, a link is known by its listing only.
bool IsListedAsLink(const std::wstring& longPath) {
  DWORD attributes = 0;
  return longPath.size() > LongRootLength(longPath) && ListedAttributes(longPath, attributes) &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

RootJudge::RootJudge(std::shared_ptr<const ProtectedFolders> protectedFolders, SystemLookups* lookups)
    : protected_(protectedFolders ? std::move(protectedFolders) : std::make_shared<const ProtectedFolders>()),
      checks_(lookups != nullptr) {
  if (lookups == nullptr) return;
  // The look-ups may load the shell's libraries, so they come first; the
  // opens then see the folders as they are (SYSTEM's profile lies in
  // System32), as the roots' own opens do.
  std::wstring profile;
  const bool named = lookups->ProfileFolder(profile);
  std::vector<std::wstring> own;
  for (int csidl : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
    std::wstring folder;
    if (lookups->SpecialFolder(csidl, folder)) own.push_back(folder);
  }
  const std::vector<std::wstring> others = lookups->OtherProfileFolders();
  FileSystemRedirectionOff asItIs;
  hasProfile_ = named && IdentityAt(profile, profile_);
  if (hasProfile_) {
    profileOwn_.push_back(profile_);
    for (const std::wstring& folder : own) {
      FileIdentity identity;
      if (IdentityAt(folder, identity)) profileOwn_.push_back(identity);
    }
  }
  for (const std::wstring& other : others) {
    FileIdentity identity;
    if (IdentityAt(other, identity) && !(hasProfile_ && identity == profile_)) otherProfiles_.push_back(identity);
  }
}

// Names the system would read otherwise than written, or not as one folder:
// a stream (":"), wildcards, "." and "..", a component ending in a space or
// a dot (the system drops those, and reaches another folder), device forms.
bool RootJudge::SpellingRefused(const std::wstring& path, RootRefusal& why) const {
  why = RootRefusal::BadSpelling;
  if (IsDriveRoot(path)) {
    why = RootRefusal::AboveProtected;
    return true;
  }
  if (!IsBelowDriveRoot(path)) return true;
  size_t begin = path[0] == L'\\' || path[0] == L'/' ? 2 : 3;
  if (begin == 3 && path.find(L':', 2) != std::wstring::npos) return true;
  for (size_t i = begin; i <= path.size(); ++i) {
    if (i < path.size() && !IsSeparator(path[i])) {
      const wchar_t c = path[i];
      if (c < 0x20 || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|') {
        return true;
      }
      continue;
    }
    if (i > begin && (path[i - 1] == L' ' || path[i - 1] == L'.')) return true;
    begin = i + 1;
  }
  return false;
}

bool RootJudge::CachedIdentity(const std::wstring& folder, FileIdentity& identity) {
  const std::wstring key = win::ToUpper(folder);
  auto it = identities_.find(key);
  if (it != identities_.end()) {
    identity = it->second;
    return true;
  }
  if (!IdentityAt(Openable(folder), identity)) return false;
  identities_[key] = identity;
  return true;
}

// The identities of the folders above `folder` (long form), nearest first.
// Where real locations cannot be told, `folder` is the path as built, and a
// link among its folders makes the chain a text's, not the disk's: reported.
std::vector<FileIdentity> RootJudge::ChainAbove(const std::wstring& folder, bool& linkOnTheWay) {
  std::vector<FileIdentity> chain;
  linkOnTheWay = false;
  for (std::wstring up = LongParent(folder); !up.empty(); up = LongParent(up)) {
    FileIdentity identity;
    if (!CachedIdentity(up, identity)) break;
    chain.push_back(identity);
    if (!CanTellRealPaths() && IsListedAsLink(up)) linkOnTheWay = true;
  }
  return chain;
}

bool RootJudge::IsOtherProfile(const FileIdentity& identity) const { return Contains(otherProfiles_, identity); }

bool RootJudge::IsProfileOwn(const FileIdentity& identity) const { return Contains(profileOwn_, identity); }

// Inside the profile by identity: the chain reaches the profile, and no
// protected folder but the profile's own lies on the way there.
bool RootJudge::IsInCleanedProfile(const ResolvedRoot& root, RootRefusal& why) const {
  why = RootRefusal::OutsideProfile;
  if (!hasProfile_) return false;
  const auto at = std::find(root.chain.begin(), root.chain.end(), profile_);
  if (at == root.chain.end()) return false;
  for (auto it = root.chain.begin(); it != at; ++it) {
    if (protected_->IsProtected(*it) && !IsProfileOwn(*it)) {
      why = RootRefusal::Protected;
      return false;
    }
  }
  return true;
}

// Not a link, and really where it was built: the folder lists it as a plain
// folder, and where real locations can be told, the opened folder bears the
// built name in the very folder (by identity) the built path names.
bool RootJudge::IsAtBuiltPlace(const ResolvedRoot& root) const {
  const std::wstring& built = root.folder.path;
  if (built.size() <= LongRootLength(built)) return true;  // a drive root holds a file root
  DWORD attributes = 0;
  if (!ListedAttributes(built, attributes) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  if (root.folder.real.empty()) return true;
  if (win::ToUpper(LastName(root.folder.real)) != win::ToUpper(LastName(LongNames(built)))) return false;
  FileIdentity builtParent;
  return !root.chain.empty() && IdentityAt(Openable(LongParent(built)), builtParent) && builtParent == root.chain[0];
}

Judgement RootJudge::Resolve(const std::wstring& path, RootClass rootClass, bool file, ResolvedRoot& out,
                             RootRefusal& why) {
  FileSystemRedirectionOff asItIs;
  out = ResolvedRoot();
  out.path = path;
  if (file && (path.empty() || IsSeparator(path.back()))) {
    why = RootRefusal::BadSpelling;
    return Judgement::Refused;
  }
  if (SpellingRefused(path, why)) return Judgement::Refused;
  why = RootRefusal::BadSpelling;
  std::wstring folder = RootInLongForm(path);  // empty for a device such as "C:\x\nul"
  if (folder.empty()) return Judgement::Refused;
  if (file) {
    out.fileName = LastName(folder);
    folder = LongParent(folder);
    if (folder.empty() || !IsWalkableName(out.fileName.c_str())) return Judgement::Refused;
  }
  ++rootOpens_;
  OpenedRoot& opened = out.folder;
  opened.path = folder;
  DWORD error = 0;
  opened.handle = OpenFolderByPath(Openable(folder), false, error);
  if (!opened.handle) return Judgement::Missing;
  // Off every drive and share (under Wine, the Unix side): not even its
  // identity can be trusted to compare.
  why = RootRefusal::NotLocal;
  if (CanTellRealPaths()) {
    if (!RealPathOf(opened.handle.Get(), opened.real)) return Judgement::Refused;
    opened.real = WithoutTrailingBackslashes(opened.real);
    if (!IsOnDriveOrShare(opened.real)) return Judgement::Refused;
  }
  HandleFacts facts;
  if (!FactsOf(opened.handle.Get(), facts, true)) return Judgement::Refused;
  if ((facts.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    opened.handle.Reset();
    return Judgement::Missing;
  }
  opened.identity = facts.identity;
  why = RootRefusal::Protected;
  if (protected_->IsProtected(facts.identity) || IsProfileOwn(facts.identity)) return Judgement::Refused;
  why = RootRefusal::AboveProtected;
  if (protected_->IsAboveProtected(facts.identity)) return Judgement::Refused;
  bool linkOnTheWay = false;
  out.chain = ChainAbove(opened.real.empty() ? folder : opened.real, linkOnTheWay);
  if (checks_ && rootClass != RootClass::Unchecked) {
    why = RootRefusal::OtherProfile;
    if (IsOtherProfile(facts.identity)) return Judgement::Refused;
    for (const FileIdentity& above : out.chain) {
      if (hasProfile_ && above == profile_) break;
      if (IsOtherProfile(above)) return Judgement::Refused;
    }
    switch (rootClass) {
      case RootClass::PerUser:
        if (!IsInCleanedProfile(out, why)) return Judgement::Refused;
        why = RootRefusal::Link;
        if (linkOnTheWay || (opened.real.empty() && IsListedAsLink(folder))) return Judgement::Refused;
        break;
      case RootClass::Machine:
        why = RootRefusal::Link;
        if (!IsAtBuiltPlace(out)) return Judgement::Refused;
        break;
      case RootClass::ApplicationFile:
      case RootClass::Marker:
      case RootClass::Unchecked: break;
    }
  }
  opened.check = RootCheck::Ready;
  out.exists = true;
  return Judgement::Ready;
}

std::vector<const ResolvedRoot*> OutermostRoots(const std::vector<ResolvedRoot>& roots) {
  std::vector<const ResolvedRoot*> walked;
  for (size_t i = 0; i < roots.size(); ++i) {
    const ResolvedRoot& root = roots[i];
    if (!root.exists) continue;
    bool inner = false;
    for (size_t j = 0; j < roots.size() && !inner; ++j) {
      if (j == i || !roots[j].exists) continue;
      const FileIdentity& other = roots[j].folder.identity;
      inner = (other == root.folder.identity && j < i) || Contains(root.chain, other);
    }
    if (!inner) walked.push_back(&root);
  }
  return walked;
}

}  // namespace purlo

// Every root of a run, opened once at its start and judged on that handle by
// the rule of its class; the handle, its identity and real location are
// kept for the run, and the walks start from them. A root that fails its
// rule is refused with its reason; one that does not exist is nothing to walk.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/CheckedOpen.h"
#include "engine/core/FileHandles.h"
#include "engine/core/ProtectedFolders.h"
#include "engine/core/Statuses.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

// A root, resolved: for a folder root the folder itself, for a single-file
// root the folder that holds the file (`fileName` in it).
struct ResolvedRoot {
  std::wstring path;       // as built: what reports name
  bool exists = false;     // false: nothing there to walk (the handle is empty)
  OpenedRoot folder;       // handle, long path, real location, identity
  std::wstring fileName;   // single-file roots: the file's name in `folder`
  std::vector<FileIdentity> chain;  // the folders above `folder`, nearest first, to the volume's root
};

enum class Judgement { Ready, Missing, Refused };

class RootJudge {
 public:
  // Without lookups every root is Unchecked (tests that hand tasks their paths).
  RootJudge(std::shared_ptr<const ProtectedFolders> protectedFolders, SystemLookups* lookups);

  // Opens `path` (a folder, or with `file` the folder of a file) and judges it.
  Judgement Resolve(const std::wstring& path, RootClass rootClass, bool file, ResolvedRoot& out, RootRefusal& why);

  // How many roots were opened so far (each once).
  unsigned RootOpens() const { return rootOpens_; }

 private:
  bool SpellingRefused(const std::wstring& path, RootRefusal& why) const;
  std::vector<FileIdentity> ChainAbove(const std::wstring& folder, bool& linkOnTheWay);
  bool CachedIdentity(const std::wstring& folder, FileIdentity& identity);
  bool IsInCleanedProfile(const ResolvedRoot& root, RootRefusal& why) const;
  bool IsAtBuiltPlace(const ResolvedRoot& root) const;
  bool IsOtherProfile(const FileIdentity& identity) const;
  bool IsProfileOwn(const FileIdentity& identity) const;

  std::shared_ptr<const ProtectedFolders> protected_;
  bool checks_ = false;
  bool hasProfile_ = false;
  FileIdentity profile_;
  std::vector<FileIdentity> profileOwn_;     // the profile and its AppData roots
  std::vector<FileIdentity> otherProfiles_;
  std::map<std::wstring, FileIdentity> identities_;  // folders above roots, by upper-case path
  unsigned rootOpens_ = 0;
};

// The roots of one task that are walked: a root whose folder another root of
// the task already is, or lies inside, is walked as part of that one.
std::vector<const ResolvedRoot*> OutermostRoots(const std::vector<ResolvedRoot>& roots);

}  // namespace purlo

// The look-ups of a run that cleans for one user, who need not be the account
// this program runs as. Their folders come from their token where there is
// one, else from their loaded hive's User Shell Folders expanded against
// their profile, else from the layout this Windows version gives a profile;
// their temporary folder from their Environment key, else the profile's own;
// HKEY_CURRENT_USER is their HKEY_USERS\<SID>, and a hive that is not loaded
// is never loaded. Nothing is taken from this process's environment. The
// machine's folders are the system's, as WindowsLookups answers them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/core/SystemLookups.h"
#include "engine/core/Users.h"

namespace purlo {

class UserLookups : public WindowsLookups {
 public:
  // For one user; part tells which roots of the mixed categories to build.
  UserLookups(CleanedUser user, RunPart part, bool runningAccount);
  // For nobody: the user could not be determined. Only the machine's roots
  // are built; the user's categories report that there is no user.
  UserLookups();

  bool TempPath(std::wstring& out, DWORD& error) override;
  bool SpecialFolder(int csidl, std::wstring& out) override;
  bool ExpandVariable(const std::wstring& variable, std::wstring& out) override;
  RegRead ReadString(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring& out) override;
  std::vector<std::wstring> SystemFolders() override;
  bool ProfileFolder(std::wstring& out) override;
  // Every profile ProfileList records but theirs.
  std::vector<std::wstring> OtherProfileFolders() override;
  // From their token, else the Vista layout under their profile; XP has none.
  bool LocalLowFolder(std::wstring& out) override;
  UserFacts User() override { return facts_; }
  std::shared_ptr<const win::UniqueRegKey> UserHive() override { return hive_; }

  const CleanedUser& Cleaned() const { return user_; }

  // The value of one variable (no percent signs) for this user: their
  // profile's, their folders', their temporary folder, else the system's.
  std::wstring Variable(const std::wstring& name);

 private:
  bool UserFolder(int csidl, std::wstring& out);
  bool FolderFromToken(int csidl, std::wstring& out);
  bool FolderFromHive(int csidl, std::wstring& out);
  bool DefaultFolder(int csidl, std::wstring& out);
  bool EnvironmentValue(const wchar_t* name, std::wstring& out);
  static int WindowsMajorOf();

  CleanedUser user_;
  UserFacts facts_;
  std::shared_ptr<const win::UniqueRegKey> hive_;
};

}  // namespace purlo

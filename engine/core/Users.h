// Whom a run cleans for. Never the environment's word: the dialog asks the
// session who is logged on, purlo-cli asks the same or is told a user (or
// every user); the profile folder always comes from ProfileList by SID.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace purlo {

class ProtectedFolders;

struct CleanedUser {
  std::wstring sid;      // "S-1-5-21-..."
  std::wstring name;     // the account's name, or its profile folder's name where it cannot be looked up
  std::wstring profile;  // from ProfileList, a real folder, neither protected nor above a protected folder
  // The user's token where one could be had (the shell's, or this process's
  // when it runs as them); their folders are then asked of the system with it.
  std::shared_ptr<const win::UniqueKernel> token;
};

struct ProfileRecord {
  std::wstring sid;
  std::wstring folder;  // ProfileImagePath with system variables expanded
};

// What the choice of a user asks of the machine; the tests answer with fixed values.
class AccountSource {
 public:
  virtual ~AccountSource() = default;
  // The SID of the interactive user of this process's session; false when it cannot be told.
  virtual bool SessionUserSid(std::wstring& sid) = 0;
  // The SID of the account this process runs as; empty when it cannot be told.
  virtual std::wstring RunningSid() = 0;
  virtual std::vector<ProfileRecord> Profiles() = 0;
  // Empty when the account cannot be looked up.
  virtual std::wstring AccountName(const std::wstring& sid) = 0;
  // Empty when no account has that name.
  virtual std::wstring AccountSid(const std::wstring& name) = 0;
  // A real folder (not a link), neither protected nor above a protected folder.
  virtual bool UsableProfileFolder(const std::wstring& folder) = 0;
  // The user's token where one can be had; null otherwise.
  virtual std::shared_ptr<const win::UniqueKernel> TokenOf(const std::wstring& sid) = 0;
};

// SYSTEM, LOCAL SERVICE and NETWORK SERVICE: cleaned only when named.
bool IsServiceSid(const std::wstring& sid);

// The session's interactive user with a usable profile; false when there is
// none or it cannot be told (never the running account in its stead).
bool SessionUser(AccountSource& accounts, CleanedUser& out);

enum class NamedUserResult { Found, Unknown, ProfileRefused };
// `text`: a SID, an account name, or the name of a profile folder whose
// account cannot be looked up (case does not matter). Service profiles too.
NamedUserResult NamedUser(AccountSource& accounts, const std::wstring& text, CleanedUser& out);

// Every profile in ProfileList whose folder is usable, service profiles left
// out, in ProfileList's order.
std::vector<CleanedUser> AllUsers(AccountSource& accounts);

// Whether the user is the account this program runs as.
bool IsRunningAccount(AccountSource& accounts, const CleanedUser& user);

// Whom the dialog cleans for: the session's user, and whether they are the
// account it runs as.
struct SessionChoice {
  bool found = false;
  CleanedUser user;
  bool runningAccount = false;
};
SessionChoice ChooseSessionUser(AccountSource& accounts);

class WindowsAccounts : public AccountSource {
 public:
  bool SessionUserSid(std::wstring& sid) override;
  std::wstring RunningSid() override;
  std::vector<ProfileRecord> Profiles() override;
  std::wstring AccountName(const std::wstring& sid) override;
  std::wstring AccountSid(const std::wstring& name) override;
  bool UsableProfileFolder(const std::wstring& folder) override;
  std::shared_ptr<const win::UniqueKernel> TokenOf(const std::wstring& sid) override;

 private:
  static bool IsRealFolderAt(const std::wstring& longForm);

  // The machine's folders no profile may be or lie above, collected on the
  // first profile judged and kept for the others.
  std::shared_ptr<const ProtectedFolders> machineFolders_;
};

// The value of a variable of the system, never of this process's
// environment: SystemRoot, windir, SystemDrive, the Program Files and
// ProgramData folders from the system's own calls, others from the machine's
// environment key. Empty when unknown.
std::wstring SystemVariable(const std::wstring& name);

// A variable each user has a value of their own for: USERPROFILE, APPDATA,
// LOCALAPPDATA, TEMP, TMP, HOMEDRIVE, HOMEPATH, USERNAME.
bool IsUserVariable(const std::wstring& name);

// Expands every %NAME% in `text` by `lookup` (empty: unknown); false when a
// reference stays unknown or a value holds a reference of its own.
bool ExpandReferences(const std::wstring& text, const std::function<std::wstring(const std::wstring&)>& lookup,
                      std::wstring& out);

}  // namespace purlo

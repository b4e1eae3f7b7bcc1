// What the root rules ask of the machine. The real implementation asks Windows;
// tests answer with fixed values so every rule can be checked on any machine.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace purlo {

enum class RegRead { Ok, KeyMissing, ValueMissing };

// Which roots a run builds of a category that has both kinds: the whole of
// it, only the cleaned user's (the profile's temporary folder, the player's
// list named by their registry), or only the machine's.
enum class RunPart { Whole, User, Machine };

// The user a run cleans for, as far as the look-ups answer for them.
struct UserFacts {
  bool known = true;           // false: none could be determined; their categories clean nothing
  bool runningAccount = true;  // the account this program runs as
  bool hiveLoaded = true;      // their registry is under HKEY_USERS
  RunPart part = RunPart::Whole;
};

class SystemLookups {
 public:
  virtual ~SystemLookups() = default;
  // GetTempPathW into 512 characters; false (with the error code) on failure.
  virtual bool TempPath(std::wstring& out, DWORD& error) = 0;
  // SHGetSpecialFolderPathW; false when the folder is unknown or empty.
  virtual bool SpecialFolder(int csidl, std::wstring& out) = 0;
  // Expands one variable such as "%APPDATA%"; false when it does not expand.
  virtual bool ExpandVariable(const std::wstring& variable, std::wstring& out) = 0;
  // GetDriveTypeW of "X:".
  virtual UINT DriveType(const std::wstring& drive) = 0;
  // Names of the sub-folders of a folder, in listing order, without "." and "..".
  virtual std::vector<std::wstring> Subfolders(const std::wstring& folderWithBackslash) = 0;
  // A string value read through a 255-byte buffer; a value too long for it is missing.
  virtual RegRead ReadString(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring& out) = 0;
  // The system's own folders that no root may be or lie above: the Windows
  // folder, System32, both Program Files folders, ProgramData, the users
  // folder, the user's profile, Documents, Desktop and both AppData roots,
  // each as every source names it.
  virtual std::vector<std::wstring> SystemFolders() = 0;
  // The profile folder of the user the run cleans for, as the machine records
  // it (ProfileList, expanded with the system's own variables only); false
  // when it has none.
  virtual bool ProfileFolder(std::wstring& out) = 0;
  // Every other profile folder the machine records.
  virtual std::vector<std::wstring> OtherProfileFolders() = 0;
  // Whom the look-ups answer for; by default the account this program runs as.
  virtual UserFacts User() { return UserFacts{}; }
  // The root of that user's registry (HKEY_USERS\<SID>); null: HKEY_CURRENT_USER.
  virtual std::shared_ptr<const win::UniqueRegKey> UserHive() { return nullptr; }
  // The user's low-integrity application data folder (LocalLow); false where
  // the version has none (XP) or it cannot be told.
  virtual bool LocalLowFolder(std::wstring& out) { return false; }
  // Whether `path` names a file (not a folder) that exists; asked when a
  // recipe picks folders by a file they hold.
  virtual bool HoldsFile(const std::wstring& path);
};

class WindowsLookups : public SystemLookups {
 public:
  bool TempPath(std::wstring& out, DWORD& error) override;
  bool SpecialFolder(int csidl, std::wstring& out) override;
  bool ExpandVariable(const std::wstring& variable, std::wstring& out) override;
  UINT DriveType(const std::wstring& drive) override;
  std::vector<std::wstring> Subfolders(const std::wstring& folderWithBackslash) override;
  RegRead ReadString(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring& out) override;
  std::vector<std::wstring> SystemFolders() override;
  bool ProfileFolder(std::wstring& out) override;
  std::vector<std::wstring> OtherProfileFolders() override;
  bool LocalLowFolder(std::wstring& out) override;
};

// FOLDERID_LocalAppDataLow of the user whose token is given (null: this
// process's user), through SHGetKnownFolderPath where the shell has it
// (Vista on); false elsewhere.
bool KnownLocalLowFolder(HANDLE token, std::wstring& out);

// "S-1-5-21-..." of the account this process runs as; empty when unknown.
std::wstring ProcessUserSid();

// A ProfileList folder (REG_EXPAND_SZ) expanded with the system's own
// variables (SystemRoot, windir, SystemDrive), never the environment's; empty
// when it names any other variable.
std::wstring ExpandWithSystemVariables(const std::wstring& text);

// Reads a REG_SZ value into a buffer of bufferBytes; the text is always
// terminated, and a value that does not fit (with its terminator) is missing.
RegRead ReadBoundedString(HKEY key, const wchar_t* value, size_t bufferBytes, std::wstring& out);

// The Program Files folders of the machine's own record (HKLM, both registry
// views), as written there; only administrators can change them.
std::vector<std::wstring> ProgramFilesOfRecord();

}  // namespace purlo

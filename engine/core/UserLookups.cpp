#include "engine/core/UserLookups.h"

#include <shlobj.h>

#include <utility>

#include "engine/core/Paths.h"

namespace purlo {

namespace {

struct UserFolderEntry {
  int csidl;
  const wchar_t* shellFolderValue;  // the name under User Shell Folders
  // Below the profile: Windows XP and 2003, then Vista on; later layouts first.
  const wchar_t* layout5;
  std::vector<const wchar_t*> layout6;
};

const std::vector<UserFolderEntry>& UserFolderTable() {
  static const std::vector<UserFolderEntry> table = {
      {CSIDL_APPDATA, L"AppData", L"Application Data", {L"AppData\\Roaming"}},
      {CSIDL_LOCAL_APPDATA, L"Local AppData", L"Local Settings\\Application Data", {L"AppData\\Local"}},
      {CSIDL_INTERNET_CACHE,
       L"Cache",
       L"Local Settings\\Temporary Internet Files",
       {L"AppData\\Local\\Microsoft\\Windows\\INetCache",
        L"AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files"}},
      {CSIDL_COOKIES,
       L"Cookies",
       L"Cookies",
       {L"AppData\\Local\\Microsoft\\Windows\\INetCookies", L"AppData\\Roaming\\Microsoft\\Windows\\Cookies"}},
      {CSIDL_RECENT, L"Recent", L"Recent", {L"AppData\\Roaming\\Microsoft\\Windows\\Recent"}},
      {CSIDL_PERSONAL, L"Personal", L"My Documents", {L"Documents"}},
      {CSIDL_DESKTOPDIRECTORY, L"Desktop", L"Desktop", {L"Desktop"}},
  };
  return table;
}

const UserFolderEntry* UserFolderEntryOf(int csidl) {
  for (const UserFolderEntry& entry : UserFolderTable()) {
    if (entry.csidl == csidl) return &entry;
  }
  return nullptr;
}

// The machine's folders, which every user shares: asked of the system.
bool IsMachineFolder(int csidl) {
  switch (csidl) {
    case CSIDL_WINDOWS:
    case CSIDL_SYSTEM:
    case CSIDL_SYSTEMX86:
    case CSIDL_PROGRAM_FILES:
    case CSIDL_PROGRAM_FILESX86:
    case CSIDL_PROGRAM_FILES_COMMON:
    case CSIDL_COMMON_APPDATA: return true;
    default: return false;
  }
}

bool Exists(const std::wstring& folder) {
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool SameText(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b, -1) == CSTR_EQUAL;
}

std::shared_ptr<const win::UniqueRegKey> OpenHive(const std::wstring& sid) {
  win::UniqueRegKey hive;
  if (sid.empty() || ::RegOpenKeyExW(HKEY_USERS, sid.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                                     hive.Put()) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_shared<const win::UniqueRegKey>(std::move(hive));
}

}  // namespace

UserLookups::UserLookups(CleanedUser user, RunPart part, bool runningAccount)
    : user_(std::move(user)), hive_(OpenHive(user_.sid)) {
  facts_.known = true;
  facts_.runningAccount = runningAccount;
  facts_.hiveLoaded = hive_ != nullptr;
  facts_.part = part;
}

UserLookups::UserLookups() {
  facts_.known = false;
  facts_.runningAccount = false;
  facts_.hiveLoaded = false;
  facts_.part = RunPart::Machine;
}

bool UserLookups::TempPath(std::wstring& out, DWORD& error) {
  error = ERROR_NOT_FOUND;
  if (!facts_.known) return false;
  if (!EnvironmentValue(L"TEMP", out) && !EnvironmentValue(L"TMP", out)) {
    out = user_.profile + (WindowsMajorOf() == 5 ? L"\\Local Settings\\Temp" : L"\\AppData\\Local\\Temp");
  }
  if (out.empty() || out.back() != L'\\') out += L'\\';
  return true;
}

bool UserLookups::SpecialFolder(int csidl, std::wstring& out) {
  if (IsMachineFolder(csidl)) return WindowsLookups::SpecialFolder(csidl, out);
  return facts_.known && UserFolder(csidl, out);
}

bool UserLookups::ExpandVariable(const std::wstring& variable, std::wstring& out) {
  if (variable.size() < 3 || variable.front() != L'%' || variable.back() != L'%') return false;
  out = Variable(variable.substr(1, variable.size() - 2));
  return !out.empty();
}

RegRead UserLookups::ReadString(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring& out) {
  if (root != HKEY_CURRENT_USER) return WindowsLookups::ReadString(root, key, value, out);
  out.clear();
  if (!hive_) return RegRead::KeyMissing;
  win::UniqueRegKey k;
  if (::RegOpenKeyExW(hive_->Get(), key, 0, KEY_QUERY_VALUE, k.Put()) != ERROR_SUCCESS) return RegRead::KeyMissing;
  return ReadBoundedString(k.Get(), value, 255, out);
}

// The system's folders, and this user's own as well.
std::vector<std::wstring> UserLookups::SystemFolders() {
  std::vector<std::wstring> folders = WindowsLookups::SystemFolders();
  if (!facts_.known) return folders;
  folders.push_back(user_.profile);
  for (int csidl : {CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
    std::wstring folder;
    if (UserFolder(csidl, folder)) folders.push_back(folder);
  }
  return folders;
}

bool UserLookups::ProfileFolder(std::wstring& out) {
  out = facts_.known ? user_.profile : std::wstring();
  return !out.empty();
}

bool UserLookups::LocalLowFolder(std::wstring& out) {
  if (!facts_.known || WindowsMajorOf() < 6) return false;
  if (user_.token && KnownLocalLowFolder(user_.token->Get(), out)) return true;
  out = user_.profile + L"\\AppData\\LocalLow";
  return true;
}

std::vector<std::wstring> UserLookups::OtherProfileFolders() {
  std::vector<std::wstring> folders;
  WindowsAccounts accounts;
  for (const ProfileRecord& record : accounts.Profiles()) {
    if (!facts_.known || !SameText(record.sid, user_.sid.c_str())) folders.push_back(record.folder);
  }
  return folders;
}

std::wstring UserLookups::Variable(const std::wstring& name) {
  if (!facts_.known) return SystemVariable(name);
  std::wstring value;
  if (SameText(name, L"USERPROFILE")) return user_.profile;
  if (SameText(name, L"APPDATA")) return UserFolder(CSIDL_APPDATA, value) ? value : std::wstring();
  if (SameText(name, L"LOCALAPPDATA")) return UserFolder(CSIDL_LOCAL_APPDATA, value) ? value : std::wstring();
  if (SameText(name, L"TEMP") || SameText(name, L"TMP")) {
    DWORD error = 0;
    return TempPath(value, error) ? WithoutTrailingBackslashes(value) : std::wstring();
  }
  if (SameText(name, L"USERNAME")) return user_.name;
  return SystemVariable(name);
}

bool UserLookups::UserFolder(int csidl, std::wstring& out) {
  if (csidl == CSIDL_PROFILE) {
    out = user_.profile;
    return true;
  }
  if (UserFolderEntryOf(csidl) == nullptr) return false;
  return FolderFromToken(csidl, out) || FolderFromHive(csidl, out) || DefaultFolder(csidl, out);
}

bool UserLookups::FolderFromToken(int csidl, std::wstring& out) {
  if (!user_.token) return false;
  wchar_t buffer[MAX_PATH + 1] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_DONT_VERIFY, user_.token->Get(), SHGFP_TYPE_CURRENT,
                                buffer)) ||
      buffer[0] == L'\0') {
    return false;
  }
  out = buffer;
  return true;
}

// Their own values, with %USERPROFILE% their profile and the system's
// variables the system's.
bool UserLookups::FolderFromHive(int csidl, std::wstring& out) {
  std::wstring value;
  if (ReadString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                 UserFolderEntryOf(csidl)->shellFolderValue, value) != RegRead::Ok ||
      value.empty()) {
    return false;
  }
  auto lookup = [this](const std::wstring& name) {
    return SameText(name, L"USERPROFILE") ? user_.profile : SystemVariable(name);
  };
  return ExpandReferences(value, lookup, out);
}

// Where this Windows version puts the folder in a profile; of the layouts
// Vista and later versions used, the first that exists there.
bool UserLookups::DefaultFolder(int csidl, std::wstring& out) {
  const UserFolderEntry& entry = *UserFolderEntryOf(csidl);
  if (WindowsMajorOf() == 5) {
    out = user_.profile + L"\\" + entry.layout5;
    return true;
  }
  out = user_.profile + L"\\" + entry.layout6.front();
  for (const wchar_t* layout : entry.layout6) {
    const std::wstring candidate = user_.profile + L"\\" + layout;
    if (Exists(candidate)) {
      out = candidate;
      break;
    }
  }
  return true;
}

bool UserLookups::EnvironmentValue(const wchar_t* name, std::wstring& out) {
  std::wstring value;
  if (ReadString(HKEY_CURRENT_USER, L"Environment", name, value) != RegRead::Ok || value.empty()) return false;
  return ExpandReferences(
      value,
      [this](const std::wstring& variable) {
        if (SameText(variable, L"TEMP") || SameText(variable, L"TMP")) return std::wstring();
        return Variable(variable);
      },
      out);
}

int UserLookups::WindowsMajorOf() { return LOBYTE(LOWORD(::GetVersion())); }

}  // namespace purlo

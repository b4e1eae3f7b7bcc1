#include "engine/core/Users.h"

#include <sddl.h>
#include <shlobj.h>

#include "engine/core/FileHandles.h"
#include "engine/core/Paths.h"
#include "engine/core/ProtectedFolders.h"
#include "engine/core/SystemLookups.h"
#include "win/SystemDll.h"

namespace purlo {

namespace {

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

bool SameText(const std::wstring& a, const std::wstring& b) {
  return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

std::wstring LastComponent(const std::wstring& path) {
  const std::wstring trimmed = WithoutTrailingBackslashes(path);
  const size_t cut = trimmed.find_last_of(L"\\/");
  return cut == std::wstring::npos ? trimmed : trimmed.substr(cut + 1);
}

CleanedUser UserOf(AccountSource& accounts, const ProfileRecord& record) {
  CleanedUser user;
  user.sid = record.sid;
  user.profile = record.folder;
  user.name = accounts.AccountName(record.sid);
  if (user.name.empty()) user.name = LastComponent(record.folder);
  user.token = accounts.TokenOf(record.sid);
  return user;
}

bool FindProfile(AccountSource& accounts, const std::wstring& sid, ProfileRecord& out) {
  for (const ProfileRecord& record : accounts.Profiles()) {
    if (SameText(record.sid, sid)) {
      out = record;
      return true;
    }
  }
  return false;
}

std::wstring SidText(PSID sid) {
  LPWSTR text = nullptr;
  if (!::ConvertSidToStringSidW(sid, &text)) return std::wstring();
  std::wstring out = text;
  ::LocalFree(text);
  return out;
}

std::wstring TokenUserSid(HANDLE token) {
  DWORD size = 0;
  ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return std::wstring();
  std::vector<BYTE> buffer(size);
  if (!::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return std::wstring();
  return SidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

// What a token needs for the system to answer folder questions with it.
constexpr DWORD kTokenAccess = TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE;

std::shared_ptr<const win::UniqueKernel> TokenOfProcess(HANDLE process) {
  win::UniqueKernel token;
  if (process == nullptr || !::OpenProcessToken(process, kTokenAccess, token.Put())) return nullptr;
  return std::make_shared<const win::UniqueKernel>(std::move(token));
}

// The shell's process: whoever it runs as is logged on to this session.
std::shared_ptr<const win::UniqueKernel> ShellToken() {
  const HWND shell = ::GetShellWindow();
  DWORD pid = 0;
  if (shell == nullptr || ::GetWindowThreadProcessId(shell, &pid) == 0 || pid == 0) return nullptr;
  // PROCESS_QUERY_LIMITED_INFORMATION is unknown before Vista.
  const DWORD access = LOBYTE(LOWORD(::GetVersion())) >= 6 ? 0x1000 : PROCESS_QUERY_INFORMATION;
  win::UniqueKernel process(::OpenProcess(access, FALSE, pid));
  return process ? TokenOfProcess(process.Get()) : nullptr;
}

std::vector<std::wstring> MachineFolders() {
  std::vector<std::wstring> folders;
  for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86,
                    CSIDL_COMMON_APPDATA}) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (::SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE) && buffer[0] != L'\0') folders.push_back(buffer);
  }
  wchar_t buffer[MAX_PATH + 1];
  DWORD size = MAX_PATH + 1;
  if (win::ProfilesDirectory(buffer, &size)) folders.push_back(buffer);
  return folders;
}

}  // namespace

bool IsServiceSid(const std::wstring& sid) {
  return SameText(sid, L"S-1-5-18") || SameText(sid, L"S-1-5-19") || SameText(sid, L"S-1-5-20");
}

bool SessionUser(AccountSource& accounts, CleanedUser& out) {
  std::wstring sid;
  ProfileRecord record;
  if (!accounts.SessionUserSid(sid) || sid.empty() || !FindProfile(accounts, sid, record)) return false;
  if (!accounts.UsableProfileFolder(record.folder)) return false;
  out = UserOf(accounts, record);
  return true;
}

NamedUserResult NamedUser(AccountSource& accounts, const std::wstring& text, CleanedUser& out) {
  const std::vector<ProfileRecord> profiles = accounts.Profiles();
  const ProfileRecord* match = nullptr;
  const std::wstring sid = text.compare(0, 4, L"S-1-") == 0 ? text : accounts.AccountSid(text);
  for (const ProfileRecord& record : profiles) {
    if (!sid.empty() && SameText(record.sid, sid)) match = &record;
  }
  // A profile folder's name stands for an account only when that account
  // cannot be looked up (a deleted account, another domain's).
  for (size_t i = 0; match == nullptr && i < profiles.size(); ++i) {
    if (SameText(LastComponent(profiles[i].folder), text) && accounts.AccountName(profiles[i].sid).empty()) {
      match = &profiles[i];
    }
  }
  if (match == nullptr) return NamedUserResult::Unknown;
  if (!accounts.UsableProfileFolder(match->folder)) return NamedUserResult::ProfileRefused;
  out = UserOf(accounts, *match);
  return NamedUserResult::Found;
}

std::vector<CleanedUser> AllUsers(AccountSource& accounts) {
  std::vector<CleanedUser> users;
  for (const ProfileRecord& record : accounts.Profiles()) {
    if (IsServiceSid(record.sid) || !accounts.UsableProfileFolder(record.folder)) continue;
    users.push_back(UserOf(accounts, record));
  }
  return users;
}

bool IsRunningAccount(AccountSource& accounts, const CleanedUser& user) {
  const std::wstring running = accounts.RunningSid();
  return !running.empty() && SameText(running, user.sid);
}

SessionChoice ChooseSessionUser(AccountSource& accounts) {
  SessionChoice choice;
  choice.found = SessionUser(accounts, choice.user);
  if (!choice.found) return choice;
  choice.runningAccount = IsRunningAccount(accounts, choice.user);
  return choice;
}

// ---- the machine's answers ----

bool WindowsAccounts::SessionUserSid(std::wstring& sid) {
  DWORD session = 0;
  std::wstring domain, user;
  if (!::ProcessIdToSessionId(::GetCurrentProcessId(), &session) || !win::SessionAccount(session, domain, user)) {
    return false;
  }
  sid = AccountSid(domain.empty() ? user : domain + L"\\" + user);
  return !sid.empty();
}

std::wstring WindowsAccounts::RunningSid() {
  win::UniqueKernel token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.Put())) return std::wstring();
  return TokenUserSid(token.Get());
}

std::vector<ProfileRecord> WindowsAccounts::Profiles() {
  std::vector<ProfileRecord> profiles;
  win::UniqueRegKey list;
  // ProfileList is one for the machine: the 64-bit view holds it for a 32-bit program too.
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ | KEY_WOW64_64KEY, list.Put()) != ERROR_SUCCESS) {
    return profiles;
  }
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    const LONG rc = ::RegEnumKeyExW(list.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) continue;
    win::UniqueRegKey entry;
    if (::RegOpenKeyExW(list.Get(), name, 0, KEY_QUERY_VALUE, entry.Put()) != ERROR_SUCCESS) continue;
    std::wstring image;
    if (ReadBoundedString(entry.Get(), L"ProfileImagePath", 2048, image) != RegRead::Ok) continue;
    const std::wstring folder = ExpandWithSystemVariables(image);
    if (!IsBelowDriveRoot(folder)) continue;
    profiles.push_back(ProfileRecord{name, WithoutTrailingBackslashes(folder)});
  }
  return profiles;
}

std::wstring WindowsAccounts::AccountName(const std::wstring& sid) {
  PSID binary = nullptr;
  if (!::ConvertStringSidToSidW(sid.c_str(), &binary)) return std::wstring();
  wchar_t name[256], domain[256];
  DWORD nameLength = 256, domainLength = 256;
  SID_NAME_USE use;
  const BOOL found = ::LookupAccountSidW(nullptr, binary, name, &nameLength, domain, &domainLength, &use);
  ::LocalFree(binary);
  return found ? std::wstring(name) : std::wstring();
}

std::wstring WindowsAccounts::AccountSid(const std::wstring& name) {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD sidSize = sizeof sid;
  wchar_t domain[256];
  DWORD domainLength = 256;
  SID_NAME_USE use;
  if (!::LookupAccountNameW(nullptr, name.c_str(), sid, &sidSize, domain, &domainLength, &use)) return std::wstring();
  return use == SidTypeUser ? SidText(sid) : std::wstring();
}

// Opened without following a final link, and asked on that handle: a folder,
// no reparse point, and where the system can tell, really where its name is
// (a Unix link under Wine shows no reparse point on its handle).
bool WindowsAccounts::UsableProfileFolder(const std::wstring& folder) {
  const std::wstring longForm = RootInLongForm(folder);
  if (longForm.empty()) return false;
  if (!IsRealFolderAt(longForm)) return false;
  if (!machineFolders_) machineFolders_ = std::make_shared<const ProtectedFolders>(MachineFolders());
  return !machineFolders_->Refuses(folder);
}

// SYSTEM's profile lies in System32: seen as it is, not as SysWOW64.
bool WindowsAccounts::IsRealFolderAt(const std::wstring& longForm) {
  FileSystemRedirectionOff asItIs;
  win::UniqueFile handle(::CreateFileW(longForm.c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  HandleFacts facts;
  if (!handle || !FactsOf(handle.Get(), facts, false)) return false;
  if ((facts.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (facts.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return false;
  }
  std::wstring real;
  return !CanTellRealPaths() || (RealPathOf(handle.Get(), real) && SamePath(real, LongNames(longForm)));
}

// The shell's token when it runs as them, else this process's when it does.
std::shared_ptr<const win::UniqueKernel> WindowsAccounts::TokenOf(const std::wstring& sid) {
  auto shell = ShellToken();
  if (shell && SameText(TokenUserSid(shell->Get()), sid)) return shell;
  if (SameText(RunningSid(), sid)) return TokenOfProcess(::GetCurrentProcess());
  return nullptr;
}

// ---- variables ----

namespace {

std::wstring FromCall(UINT(WINAPI* call)(LPWSTR, UINT)) {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = call(buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

std::wstring SystemFolderOf(int csidl) {
  wchar_t buffer[MAX_PATH + 1] = {};
  return ::SHGetSpecialFolderPathW(nullptr, buffer, csidl, FALSE) ? std::wstring(buffer) : std::wstring();
}

// The machine's environment as the system keeps it.
std::wstring MachineEnvironmentValue(const std::wstring& name) {
  win::UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", 0,
                      KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS) {
    return std::wstring();
  }
  std::wstring value;
  return ReadBoundedString(key.Get(), name.c_str(), 2048, value) == RegRead::Ok ? value : std::wstring();
}

}  // namespace

std::wstring SystemVariable(const std::wstring& name) {
  const std::wstring windows = FromCall(::GetSystemWindowsDirectoryW);
  if (SameText(name, L"SystemRoot") || SameText(name, L"windir")) return windows;
  if (SameText(name, L"SystemDrive")) return windows.size() >= 2 ? windows.substr(0, 2) : std::wstring();
  if (SameText(name, L"ProgramFiles")) return SystemFolderOf(CSIDL_PROGRAM_FILES);
  if (SameText(name, L"ProgramFiles(x86)")) return SystemFolderOf(CSIDL_PROGRAM_FILESX86);
  if (SameText(name, L"CommonProgramFiles")) return SystemFolderOf(CSIDL_PROGRAM_FILES_COMMON);
  if (SameText(name, L"ProgramData")) return SystemFolderOf(CSIDL_COMMON_APPDATA);
  // Values of the user's own: never answered from the machine's key.
  return IsUserVariable(name) ? std::wstring() : MachineEnvironmentValue(name);
}

bool IsUserVariable(const std::wstring& name) {
  for (const wchar_t* own : {L"USERPROFILE", L"APPDATA", L"LOCALAPPDATA", L"TEMP", L"TMP", L"HOMEPATH", L"HOMEDRIVE",
                             L"USERNAME"}) {
    if (SameText(name, own)) return true;
  }
  return false;
}

bool ExpandReferences(const std::wstring& text, const std::function<std::wstring(const std::wstring&)>& lookup,
                      std::wstring& out) {
  out.clear();
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find(L'%', at);
    if (open == std::wstring::npos) break;
    const size_t close = text.find(L'%', open + 1);
    if (close == std::wstring::npos) break;
    out.append(text, at, open - at);
    const std::wstring value = lookup(text.substr(open + 1, close - open - 1));
    if (value.empty() || value.find(L'%') != std::wstring::npos) return false;
    out += value;
    at = close + 1;
  }
  out.append(text, at, std::wstring::npos);
  return true;
}

}  // namespace purlo

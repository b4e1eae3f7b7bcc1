// purlo-cli where a run must not reach: history keys made registry links,
// temporary-files folders and TheWorld's folder pointed at the system's own
// folders, and a recycle bin that keeps part of what it held.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <userenv.h>

#include <map>
#include <memory>

#include "engine/core/LabelText.h"
#include "engine/core/Paths.h"
#include "engine/core/RunState.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Gui.h"
#include "tests/support/Safety.h"
#include "win/Handles.h"

using namespace testing_support;

namespace {

const wchar_t kRefusedSystem[] = L": root refused (protected): ";
const wchar_t kRefusedNotBelow[] = L": root refused (above protected): ";
const wchar_t kRefusedNotLocal[] = L": root refused (not local): ";

// Wine's Documents and Desktop are links into HOME, off every drive: such a
// folder is refused as not local before anything else is asked of it.
const wchar_t* RefusedFor(const std::wstring& folder) {
  const std::wstring real = purlo::RealFolderPath(purlo::LongForm(folder));
  return !real.empty() && !purlo::IsOnDriveOrShare(real) ? kRefusedNotLocal : kRefusedSystem;
}

// ---------------------------------------------------------------- registry links

const wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kTargets = L"Software\\PurloTests\\LinkTargets";

struct HistoryKeyCase {
  const wchar_t* id;
  std::wstring key;
};

std::vector<HistoryKeyCase> HistoryKeys() {
  const int version = purlo::MajorVersionFromGetVersion();
  return {{L"IeTypedUrls", L"Software\\Microsoft\\Internet Explorer\\TypedURLs"},
          {L"RunHistory", L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"},
          {L"SearchHistory", L"Software\\Microsoft\\Search Assistant\\ACMru\\5603"},
          {L"QqToolbarHistory", version == 5 ? L"Software\\Tencent\\QQToolbar\\History"
                                             : L"Software\\AppDataLow\\Tencent\\QQToolbar\\History"},
          {L"BaiduToolbarHistory", L"Software\\baidu\\BaiduToolbar\\History"}};
}

// The machine's Run key as the kernel names it: the 64-bit view.
void SetRunCanary(bool present) {
  win::UniqueRegKey run;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                              run.Put(), nullptr),
            ERROR_SUCCESS);
  const wchar_t value[] = L"C:\\canary.exe";
  if (present) {
    ::RegSetValueExW(run.Get(), L"PurloCanary", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
  } else {
    ::RegDeleteValueW(run.Get(), L"PurloCanary");
  }
}

bool RunCanaryPresent() {
  win::UniqueRegKey run;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_READ | KEY_WOW64_64KEY, run.Put()) != ERROR_SUCCESS) {
    return false;
  }
  return ::RegQueryValueExW(run.Get(), L"PurloCanary", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// ---------------------------------------------------------------- protected folders

struct SystemFolder {
  std::wstring name;
  std::wstring path;
};

std::wstring ShortName(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  DWORD n = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : path;
}

std::vector<SystemFolder> SystemFolders() {
  wchar_t profiles[MAX_PATH];
  DWORD size = MAX_PATH;
  ::GetProfilesDirectoryW(profiles, &size);
  std::wstring programFiles = Expand(L"%ProgramW6432%");
  if (programFiles.find(L'%') != std::wstring::npos) programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
  return {{L"windows", SpecialFolder(CSIDL_WINDOWS)},
          {L"system32", SpecialFolder(CSIDL_SYSTEM)},
          {L"programfiles", programFiles},
          {L"programfilesx86", SpecialFolder(CSIDL_PROGRAM_FILESX86)},
          {L"programdata", SpecialFolder(CSIDL_COMMON_APPDATA)},
          {L"users", profiles},
          {L"profile", SpecialFolder(CSIDL_PROFILE)},
          {L"documents", SpecialFolder(CSIDL_PERSONAL)},
          {L"desktop", SpecialFolder(CSIDL_DESKTOPDIRECTORY)},
          {L"roaming", SpecialFolder(CSIDL_APPDATA)},
          {L"local", SpecialFolder(CSIDL_LOCAL_APPDATA)}};
}

bool IsWow64() {
  BOOL wow64 = FALSE;
  return ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64;
}

// The system folders as a 32-bit process on 64-bit Windows cannot otherwise
// name them: the real System32 (its own "system32" is SysWOW64).
std::vector<std::wstring> CanaryFolders() {
  std::vector<std::wstring> folders;
  for (const SystemFolder& folder : SystemFolders()) folders.push_back(folder.path);
  if (IsWow64()) folders.push_back(SpecialFolder(CSIDL_WINDOWS) + L"\\Sysnative");
  return folders;
}

// A canary file and a canary folder in every system folder: a sweep that
// reached one would take them.
struct Canaries {
  std::vector<std::wstring> files;
  Canaries() {
    for (const std::wstring& folder : CanaryFolders()) {
      files.push_back(folder + L"\\purlo-canary.txt");
      files.push_back(folder + L"\\purlo-canary\\inner.txt");
    }
    for (const std::wstring& f : files) WriteFile(f, 11);
  }
  ~Canaries() {
    for (const std::wstring& f : files) ::DeleteFileW(f.c_str());
    for (const std::wstring& folder : CanaryFolders()) ::RemoveDirectoryW((folder + L"\\purlo-canary").c_str());
  }
  // Lists the canaries that are gone; empty when all are there.
  std::string Missing() const {
    std::string missing;
    for (const std::wstring& f : files) {
      if (FileSize(f) != 11u) missing += Narrow(f) + " ";
    }
    return missing;
  }
};

// What GetTempPathW makes of a TMP value, in this process.
std::wstring TempPathFor(const std::wstring& tmp) {
  wchar_t saved[1024] = {};
  DWORD had = ::GetEnvironmentVariableW(L"TMP", saved, 1024);
  ::SetEnvironmentVariableW(L"TMP", tmp.c_str());
  std::wstring path = TempPath();
  ::SetEnvironmentVariableW(L"TMP", had ? saved : nullptr);
  return path;
}

const std::wstring kWindowsTemp = SpecialFolder(CSIDL_WINDOWS) + L"\\Temp";

// The second SystemTemp root: two files the sweep may take.
void SeedWindowsTemp() {
  EmptyFolder(kWindowsTemp);
  WriteFile(kWindowsTemp + L"\\purlo-a.tmp", 100);
  WriteFile(kWindowsTemp + L"\\purlo-sub\\b.tmp", 200);
}

struct ProtectedFolders : ::testing::Test {
  void SetUp() override { ASSERT_EQ(purlo::MajorVersionFromGetVersion(), 6); }
};

// ---------------------------------------------------------------- recycle bin

struct BinFigures {
  uint64_t items = 0, bytes = 0;
};

BinFigures QueryBin() {
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof(info);
  EXPECT_TRUE(SUCCEEDED(::SHQueryRecycleBinW(nullptr, &info)));
  return {static_cast<uint64_t>(info.i64NumItems), static_cast<uint64_t>(info.i64Size)};
}

}  // namespace

struct RegistryLinksCli : ::testing::Test {
  void SetUp() override { DeleteKeyTree(HKEY_CURRENT_USER, kTargets); }
  void TearDown() override {
    SetRunCanary(false);
    DeleteKeyTree(HKEY_CURRENT_USER, kTargets);
  }
};

static void ExpectLinkedHistoryKeysLeftAlone() {
  const std::vector<HistoryKeyCase> cases = HistoryKeys();
  SetRunCanary(true);
  std::vector<std::unique_ptr<RegistryLink>> links;
  std::wstring ids;
  for (size_t i = 0; i < cases.size(); ++i) {
    // The first leads to the machine's Run key, the others to a key of the user holding one value.
    std::wstring target = KernelKeyName(HKEY_LOCAL_MACHINE, kRunKey);
    if (i > 0) {
      const std::wstring key = kTargets + L"\\" + cases[i].id;
      SetString(HKEY_CURRENT_USER, key, L"canary", L"must stay");
      target = KernelKeyName(HKEY_CURRENT_USER, key);
    }
    links.push_back(std::make_unique<RegistryLink>(HKEY_CURRENT_USER, cases[i].key, target));
    ASSERT_TRUE(links.back()->Made()) << Narrow(cases[i].key);
    ASSERT_GE(ValueCount(HKEY_CURRENT_USER, cases[i].key), 1u) << "the link does not lead anywhere";
    ids += std::wstring(L" ") + cases[i].id;
  }

  CliOutput scan = RunCli(L"scan --json" + ids);
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  JsonRun scanned = ParseRun(scan.out);
  ASSERT_TRUE(scanned.parsed) << scan.out;
  CliOutput sweep = RunCli(L"sweep --yes --json" + ids);
  ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
  JsonRun swept = ParseRun(sweep.out);
  ASSERT_TRUE(swept.parsed) << sweep.out;

  for (size_t i = 0; i < cases.size(); ++i) {
    purlo::JunkCategory category;
    ASSERT_TRUE(purlo::FindCategory(cases[i].id, category));
    const std::wstring task = purlo::Info(category).taskLabel;
    const JsonCategory* s = scanned.Find(cases[i].id);
    const JsonCategory* w = swept.Find(cases[i].id);
    ASSERT_NE(s, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(s->label, task + L"(0项)");
    EXPECT_EQ(w->label, task + L"(清理0项)");
    EXPECT_EQ(w->items, 0u);
    EXPECT_TRUE(IsLinkKey(HKEY_CURRENT_USER, cases[i].key)) << Narrow(cases[i].key);
    if (i > 0) {
      EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kTargets + L"\\" + cases[i].id), 1u) << Narrow(cases[i].id);
    }
  }
  EXPECT_TRUE(RunCanaryPresent());
  EXPECT_EQ(Narrow(swept.summary), "已经成功清理选中的文件，为您节省了0.000B的磁盘空间。");
}

TEST_F(RegistryLinksCli, HistoryKeysThatAreLinksAreNeitherCountedNorTouched) {
  ASSERT_EQ(purlo::MajorVersionFromGetVersion(), 6);
  ExpectLinkedHistoryKeysLeftAlone();
}

// Windows XP has its own toolbar key.
struct RegistryLinksCliXp : RegistryLinksCli {};

TEST_F(RegistryLinksCliXp, HistoryKeysThatAreLinksAreNeitherCountedNorTouched) {
  ASSERT_EQ(purlo::MajorVersionFromGetVersion(), 5) << "this case must run in the Windows XP prefix";
  ExpectLinkedHistoryKeysLeftAlone();
}

// TEMP and TMP of the user's environment set to each system folder in turn
// (and to a folder above them, and to the drive root). The scan goes first:
// only when it shows the root refused and nothing but Windows\Temp counted
// does the sweep run, so a fault cannot empty the prefix's own folders.
using TempCases = std::vector<std::pair<std::wstring, std::wstring>>;  // name, TEMP value

static void ExpectTempRootsRefused(const TempCases& temps) {
  Canaries canaries;
  for (const auto& temp : temps) {
    SCOPED_TRACE(Narrow(temp.first + L": " + temp.second));
    UserEnvironmentValue tempValue(L"TEMP", temp.second);
    UserEnvironmentValue tmpValue(L"TMP", temp.second);
    std::vector<wchar_t> environment = UserEnvironmentBlock();
    ASSERT_EQ(BlockValue(environment, L"TMP"), temp.second) << "the user's environment does not reach new processes";
    const std::wstring root = TempPathFor(temp.second);
    const bool driveRoot = temp.second == L"C:\\";
    const std::string refusal = Narrow(L"purlo-cli: SystemTemp" +
                                       std::wstring(driveRoot ? kRefusedNotBelow : RefusedFor(temp.second)) + root);
    SeedWindowsTemp();

    CliOutput scan = RunCli(L"scan SystemTemp --json", environment.data());
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    ASSERT_EQ(TextLines(scan.err), std::vector<std::string>{refusal});
    JsonRun scanned = ParseRun(scan.out);
    ASSERT_TRUE(scanned.parsed) << scan.out;
    ASSERT_EQ(scanned.categories.size(), 1u);
    ASSERT_EQ(scanned.categories[0].label, L"系统临时文件(2个文件,300.000B)");

    CliOutput sweep = RunCli(L"sweep SystemTemp --yes --json", environment.data());
    ASSERT_EQ(sweep.exitCode, 3) << sweep.err;  // a root refused
    EXPECT_EQ(TextLines(sweep.err), std::vector<std::string>{refusal});
    JsonRun swept = ParseRun(sweep.out);
    ASSERT_TRUE(swept.parsed) << sweep.out;
    ASSERT_EQ(swept.categories.size(), 1u);
    ASSERT_EQ(swept.categories[0].label, L"系统临时文件(清理2个文件,300.000B)");
    EXPECT_FALSE(Exists(kWindowsTemp + L"\\purlo-a.tmp"));
    // A breach stops the run of cases at once.
    ASSERT_EQ(canaries.Missing(), "");
  }
  EXPECT_TRUE(Exists(SpecialFolder(CSIDL_SYSTEM) + L"\\kernel32.dll"));
}

TEST_F(ProtectedFolders, TemporaryFilesFolderSetToASystemFolderIsRefused) {
  TempCases temps;
  for (const SystemFolder& folder : SystemFolders()) temps.push_back({folder.name, folder.path});
  // Other spellings of the same folders.
  temps.push_back({L"windows, other case and a trailing backslash", L"c:\\WINDOWS\\"});
  temps.push_back({L"program files, short name", ShortName(SystemFolders()[2].path)});
  temps.push_back({L"documents, short name", ShortName(SpecialFolder(CSIDL_PERSONAL))});
  temps.push_back({L"drive root", L"C:\\"});
  ExpectTempRootsRefused(temps);
}

// With a second drive letter onto the Windows folder (what "subst D:
// C:\Windows" makes; tests/race.sh --drive-d lays it and restarts the
// prefix's server), neither D:\System32 nor C:\windows\Sysnative is swept:
// both are the real System32, which a 32-bit process otherwise knows only
// by its redirected view.
TEST(SecondDriveCli, TemporaryFilesFolderOnADriveMappedOntoTheWindowsFolderIsRefused) {
  ASSERT_EQ(purlo::MajorVersionFromGetVersion(), 6);
  ASSERT_TRUE(Exists(L"D:\\System32\\kernel32.dll")) << "run through tests/race.sh --drive-d (ctest does)";
  TempCases temps = {{L"D: system32", L"D:\\System32"}, {L"D: system32, other case", L"d:\\system32\\"}};
  if (IsWow64()) temps.push_back({L"sysnative", SpecialFolder(CSIDL_WINDOWS) + L"\\Sysnative"});
  ExpectTempRootsRefused(temps);
}

TEST(ProtectedFoldersXp, TemporaryFilesFolderSetToASystemFolderIsRefused) {
  ASSERT_EQ(purlo::MajorVersionFromGetVersion(), 5) << "this case must run in the Windows XP prefix";
  ExpectTempRootsRefused({{L"windows", SpecialFolder(CSIDL_WINDOWS)},
                          {L"profile", SpecialFolder(CSIDL_PROFILE)},
                          {L"local", SpecialFolder(CSIDL_LOCAL_APPDATA)}});
}

// The user's shell-folder values make the cache the Windows folder and the
// cookies the users folder.
TEST_F(ProtectedFolders, ShellFoldersPointedAtSystemFoldersAreRefused) {
  Canaries canaries;
  const std::wstring windows = SpecialFolder(CSIDL_WINDOWS);
  const std::wstring users = SystemFolders()[5].path;
  std::vector<std::unique_ptr<ScopedStringValue>> values;
  for (const wchar_t* key : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"}) {
    values.push_back(std::make_unique<ScopedStringValue>(HKEY_CURRENT_USER, key, L"Cache", windows));
    values.push_back(std::make_unique<ScopedStringValue>(HKEY_CURRENT_USER, key, L"Cookies", users));
  }
  ASSERT_EQ(SpecialFolder(CSIDL_INTERNET_CACHE), windows) << "the shell does not read the values";
  ASSERT_EQ(SpecialFolder(CSIDL_COOKIES), users);
  const std::vector<std::string> refusals = {
      Narrow(L"purlo-cli: IeTemp" + std::wstring(kRefusedSystem) + windows),
      Narrow(L"purlo-cli: IeCookies" + std::wstring(kRefusedSystem) + users)};

  CliOutput scan = RunCli(L"scan IeTemp IeCookies --json");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  ASSERT_EQ(TextLines(scan.err), refusals);
  JsonRun scanned = ParseRun(scan.out);
  ASSERT_TRUE(scanned.parsed) << scan.out;
  ASSERT_EQ(scanned.categories.size(), 2u);
  ASSERT_EQ(scanned.categories[0].items + scanned.categories[1].items, 0u);

  CliOutput sweep = RunCli(L"sweep IeTemp IeCookies --yes --json");
  ASSERT_EQ(sweep.exitCode, 3) << sweep.err;  // roots refused
  EXPECT_EQ(TextLines(sweep.err), refusals);
  JsonRun swept = ParseRun(sweep.out);
  ASSERT_TRUE(swept.parsed) << sweep.out;
  ASSERT_EQ(swept.categories.size(), 2u);
  EXPECT_EQ(swept.categories[0].label, L"Internet Explorer 临时文件(清理0个文件,0.000B)");
  EXPECT_EQ(swept.categories[1].label, L"Internet Explorer Cookies(清理0个文件,0.000B)");
  EXPECT_EQ(canaries.Missing(), "");
  values.clear();
  EXPECT_NE(SpecialFolder(CSIDL_INTERNET_CACHE), windows);
}

// The ways an ordinary user could point a run at the system's files, one
// scenario each, canaries in every folder they lead to: TEMP and TMP in the
// user's environment set to System32\drivers; the user's temporary folder a
// link into it; the cache and cookie shell folders set to Common Files and
// the Windows inf folder; a machine root that is a link into
// ProgramData\Microsoft (made by the sandbox preparation); and the roots no
// walk may take silently: a temporary folder that is a link off every drive,
// spelled with a stream, or with a component ending in a space. Each root is
// refused with its reason by the scan (which exits 0) before the sweep runs,
// the sweep exits 3, and every canary stays.
TEST_F(ProtectedFolders, CanaryMatrixOfUserValuesAndLinksLeadingIntoSystemFolders) {
  const std::wstring windows = SpecialFolder(CSIDL_WINDOWS);
  const std::wstring drivers = SpecialFolder(CSIDL_SYSTEM) + L"\\drivers";
  const std::wstring commonFiles = SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\Common Files";
  const std::wstring inf = windows + L"\\inf";
  const std::wstring microsoft = SpecialFolder(CSIDL_COMMON_APPDATA) + L"\\Microsoft";
  const std::wstring local = SpecialFolder(CSIDL_PROFILE) + L"\\AppData\\Local";
  ASSERT_TRUE(Exists(local + L"\\purlo-temp-link\\")) << "link fixtures missing: run through ctest";
  std::vector<std::wstring> canaries;
  for (const std::wstring& folder : {drivers, commonFiles, inf, microsoft, local + L"\\purlo-temp-unix"}) {
    canaries.push_back(folder + L"\\purlo-matrix-canary.txt");
    WriteFile(canaries.back(), 13);
  }
  const wchar_t* shellKeys[] = {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"};
  const wchar_t* appPaths = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";
  struct Case {
    std::wstring name, temp, categories;
    std::vector<std::string> refusals;  // the start of each stderr line
  };
  auto line = [](const wchar_t* id, const wchar_t* why) {
    return Narrow(L"purlo-cli: " + std::wstring(id) + L": root refused (" + why + L"): ");
  };
  const std::vector<Case> cases = {
      {L"TEMP is System32\\drivers", drivers, L"SystemTemp", {line(L"SystemTemp", L"outside profile")}},
      {L"the user's temporary folder is a link into it", local + L"\\purlo-temp-link", L"SystemTemp",
       {line(L"SystemTemp", L"outside profile")}},
      {L"cache and cookies in Common Files and inf", L"", L"IeTemp IeCookies",
       {line(L"IeTemp", L"outside profile"), line(L"IeCookies", L"outside profile")}},
      {L"a machine root linked into ProgramData\\Microsoft", L"", L"TheWorldHistory",
       {line(L"TheWorldHistory", L"link")}},
      {L"TEMP a link off every drive", local + L"\\purlo-temp-unix", L"SystemTemp",
       {line(L"SystemTemp", L"not local")}},
      {L"TEMP with a stream", SpecialFolder(CSIDL_PROFILE) + L"\\Temp:purlo", L"SystemTemp",
       {line(L"SystemTemp", L"bad spelling")}},
      {L"TEMP with a trailing space", SpecialFolder(CSIDL_PROFILE) + L"\\Temp \\purlo", L"SystemTemp",
       {line(L"SystemTemp", L"bad spelling")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    std::unique_ptr<UserEnvironmentValue> tempValue, tmpValue;
    if (!c.temp.empty()) {
      tempValue = std::make_unique<UserEnvironmentValue>(L"TEMP", c.temp);
      tmpValue = std::make_unique<UserEnvironmentValue>(L"TMP", c.temp);
    }
    std::vector<std::unique_ptr<ScopedStringValue>> values;
    if (c.categories == L"IeTemp IeCookies") {
      for (const wchar_t* key : shellKeys) {
        values.push_back(std::make_unique<ScopedStringValue>(HKEY_CURRENT_USER, key, L"Cache", commonFiles));
        values.push_back(std::make_unique<ScopedStringValue>(HKEY_CURRENT_USER, key, L"Cookies", inf));
      }
    }
    if (c.categories == L"TheWorldHistory") {
      DeleteKeyTree(HKEY_LOCAL_MACHINE, appPaths);
      SetString(HKEY_LOCAL_MACHINE, appPaths, L"Path", L"C:\\links\\msocache");
    }
    std::vector<wchar_t> environment = UserEnvironmentBlock();
    auto refusalsAsExpected = [&](const CliOutput& run) {
      const std::vector<std::string> lines = TextLines(run.err);
      EXPECT_EQ(lines.size(), c.refusals.size()) << run.err;
      bool all = lines.size() == c.refusals.size();
      for (size_t i = 0; all && i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].rfind(c.refusals[i], 0), 0u) << lines[i];
        all = lines[i].rfind(c.refusals[i], 0) == 0;
      }
      return all;
    };
    // The scan guards the sweep: a case whose roots the scan did not refuse
    // is failed and never swept.
    CliOutput scan = RunCli(L"scan --json " + c.categories, environment.data());
    EXPECT_EQ(scan.exitCode, 0) << scan.err;
    if (!refusalsAsExpected(scan)) continue;
    JsonRun scanned = ParseRun(scan.out);
    ASSERT_TRUE(scanned.parsed) << scan.out;
    for (const JsonCategory& category : scanned.categories) {
      EXPECT_EQ(category.status, L"done");
      EXPECT_EQ(category.refused.size(), 1u) << Narrow(category.id);
    }
    CliOutput sweep = RunCli(L"sweep --yes --json " + c.categories, environment.data());
    EXPECT_EQ(sweep.exitCode, 3) << sweep.err;
    refusalsAsExpected(sweep);
    for (const std::wstring& canary : canaries) ASSERT_EQ(FileSize(canary), 13u) << Narrow(canary);
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, appPaths);
  for (const std::wstring& canary : canaries) ::DeleteFileW(canary.c_str());
}

// TheWorld's Path names a folder whose "data" is a link to a system folder
// (made from the Linux side by the sandbox preparation): the root's real
// location is compared, not only its name.
TEST_F(ProtectedFolders, TheWorldDataFolderLeadingToASystemFolderIsRefused) {
  ASSERT_TRUE(Exists(L"C:\\links\\protected\\windows\\data")) << "link fixtures missing: run through ctest";
  Canaries canaries;
  const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";
  for (const SystemFolder& folder : SystemFolders()) {
    SCOPED_TRACE(Narrow(folder.name + L" " + folder.path));
    const std::wstring path = L"C:\\links\\protected\\" + folder.name;
    DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
    SetString(HKEY_LOCAL_MACHINE, key, L"Path", path);
    const std::string refusal =
        Narrow(L"purlo-cli: TheWorldHistory" + std::wstring(RefusedFor(folder.path)) + path + L"\\data");

    CliOutput scan = RunCli(L"scan TheWorldHistory --json");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    ASSERT_EQ(TextLines(scan.err), std::vector<std::string>{refusal});
    JsonRun scanned = ParseRun(scan.out);
    ASSERT_TRUE(scanned.parsed) << scan.out;
    ASSERT_EQ(scanned.categories.size(), 1u);
    ASSERT_EQ(scanned.categories[0].label, L"世界之窗浏览记录(0个文件,0.000B)");

    CliOutput sweep = RunCli(L"sweep TheWorldHistory --yes --json");
    ASSERT_EQ(sweep.exitCode, 3) << sweep.err;  // a root refused
    EXPECT_EQ(TextLines(sweep.err), std::vector<std::string>{refusal});
    JsonRun swept = ParseRun(sweep.out);
    ASSERT_TRUE(swept.parsed) << sweep.out;
    ASSERT_EQ(swept.categories.size(), 1u);
    ASSERT_EQ(swept.categories[0].label, L"世界之窗浏览记录(清理0个文件,0.000B)");
    // A breach stops the run of cases at once.
    ASSERT_EQ(canaries.Missing(), "");
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  EXPECT_TRUE(Exists(SpecialFolder(CSIDL_SYSTEM) + L"\\kernel32.dll"));
}

// A folder in the bin stays when it is emptied (Wine keeps trashed folders):
// the label claims only what went.
TEST(RecycleBinCli, ReportsWhatWentNotWhatItHeld) {
  const std::wstring f = L"C:\\purlo-tests\\bin-honest";
  RemoveTree(f);
  WriteFile(f + L"\\kept-folder\\inner.txt", 700);
  WriteFile(f + L"\\loose.txt", 300);
  Recycle({f + L"\\kept-folder", f + L"\\loose.txt"});
  const BinFigures before = QueryBin();
  ASSERT_GE(before.items, 2u);

  CliOutput out = RunCli(L"sweep RecycleBin --yes --json");
  const BinFigures after = QueryBin();
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  ASSERT_EQ(run.categories.size(), 1u);
  const JsonCategory& bin = run.categories[0];
  ASSERT_GE(after.items, 1u) << "nothing stayed in the bin: this case needs a bin that keeps something";
  EXPECT_EQ(bin.items, before.items - after.items);
  EXPECT_EQ(bin.bytes, before.bytes - after.bytes);
  EXPECT_LT(bin.items, before.items);
  EXPECT_EQ(bin.label, purlo::FileLabel(L"回收站", bin.items, static_cast<double>(bin.bytes), true));
  EXPECT_EQ(run.summary, purlo::SweepSummary(static_cast<double>(bin.bytes)));

  // What stayed is a folder in the sandbox's trash, reached through the
  // Documents link into the sandbox's HOME; the next tests need an empty bin.
  const std::wstring trash = SpecialFolder(CSIDL_PERSONAL) + L"\\.local\\share\\Trash";
  RemoveTree(trash + L"\\files\\kept-folder");
  ::DeleteFileW((trash + L"\\info\\kept-folder.trashinfo").c_str());
  EXPECT_FALSE(Exists(trash + L"\\files\\kept-folder"));
  EXPECT_EQ(QueryBin().items, 0u);
  RemoveTree(f);
}

// While it lives, a trash staged by the sandbox preparation stands in for the
// sandbox's own (reached through the Documents link into its HOME); both are
// whole folders, moved by name, so the links inside them stay links.
class StagedTrash {
 public:
  StagedTrash()
      : share_(SpecialFolder(CSIDL_PERSONAL) + L"\\.local\\share"),
        trash_(share_ + L"\\Trash"),
        aside_(share_ + L"\\purlo-trash-aside"),
        staged_(share_ + L"\\purlo-staged-bin\\Trash") {
    if (!Exists(staged_ + L"\\files\\plain.txt")) return;
    hadTrash_ = Exists(trash_);
    if (hadTrash_ && !::MoveFileW(trash_.c_str(), aside_.c_str())) return;
    ready_ = ::MoveFileW(staged_.c_str(), trash_.c_str()) != FALSE;
  }
  ~StagedTrash() {
    if (ready_) ::MoveFileW(trash_.c_str(), (staged_ + L"-used").c_str());
    if (hadTrash_) ::MoveFileW(aside_.c_str(), trash_.c_str());
  }
  bool Ready() const { return ready_; }
  std::wstring Files() const { return trash_ + L"\\files"; }

 private:
  std::wstring share_, trash_, aside_, staged_;
  bool hadTrash_ = false, ready_ = false;
};

// A bin holding links to canaries outside it, and one plain item. Emptying
// must never reach through a link: Wine's shell would delete the targets. A
// link that cannot be removed as a link keeps the bin from being emptied and
// is reported; the figures say nothing went.
TEST(RecycleBinCli, LinksInTheBinAreNeverFollowed) {
  const std::wstring outside = L"C:\\links\\bin\\outside";
  StagedTrash staged;
  ASSERT_TRUE(staged.Ready()) << "link fixtures missing: run through ctest";

  CliOutput scan = RunCli(L"scan RecycleBin --json");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  JsonRun scanned = ParseRun(scan.out);
  ASSERT_TRUE(scanned.parsed) << scan.out;
  ASSERT_EQ(scanned.categories.size(), 1u);
  EXPECT_GE(scanned.categories[0].items, 2u) << "the staged trash was not the one the shell used: " << scan.out;

  CliOutput sweep = RunCli(L"sweep RecycleBin --yes --json");
  JsonRun swept = ParseRun(sweep.out);
  ASSERT_TRUE(swept.parsed) << sweep.out;
  ASSERT_EQ(swept.categories.size(), 1u);
  const JsonCategory& result = swept.categories[0];
  EXPECT_EQ(FileSize(outside + L"\\canary.txt"), 20u);
  EXPECT_EQ(FileSize(outside + L"\\canarydir\\inner.txt"), 23u);
  // Wine opens a Unix link's target whatever it is asked, so no link can go
  // as a link here: both stay, and with them everything else in the bin.
  EXPECT_EQ(result.failed.size(), 2u) << sweep.err;
  for (const std::wstring& path : result.failed) {
    const std::wstring name = path.substr(path.rfind(L'\\') + 1);
    EXPECT_TRUE(name == L"dirlink" || name == L"filelink.txt") << Narrow(path);
  }
  EXPECT_TRUE(Exists(staged.Files() + L"\\plain.txt"));
  EXPECT_EQ(result.items, 0u);
  EXPECT_EQ(result.bytes, 0u);
  EXPECT_EQ(result.label, purlo::FileLabel(L"回收站", 0, 0.0, true));
  EXPECT_EQ(sweep.exitCode, 3) << "links left in the bin must not read as a clean sweep";
}

// A Firefox profile folder that is a link to the Windows folder (made from the
// Linux side by the sandbox preparation, found through the user's AppData
// folder): the single file named in it is refused, neither counted nor deleted.
TEST_F(ProtectedFolders, ASingleFileInALinkedFolderThatIsASystemFolderIsRefused) {
  const std::wstring appData = L"C:\\links\\firefox";
  const std::wstring profile = appData + L"\\Mozilla\\Firefox\\Profiles\\linked.default";
  ASSERT_TRUE(Exists(profile + L"\\system32")) << "link fixtures missing: run through ctest";
  const std::wstring canary = SpecialFolder(CSIDL_WINDOWS) + L"\\places.sqlite";
  WriteFile(canary, 77);
  ScopedStringValue shellFolder(HKEY_CURRENT_USER,
                                L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                                L"AppData", appData);
  const std::vector<std::string> refusal = {
      Narrow(L"purlo-cli: FirefoxHistory" + std::wstring(kRefusedSystem) + profile + L"\\places.sqlite")};

  CliOutput scan = RunCli(L"scan FirefoxHistory --json");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  EXPECT_EQ(TextLines(scan.err), refusal);
  JsonRun scanned = ParseRun(scan.out);
  ASSERT_TRUE(scanned.parsed) << scan.out;
  ASSERT_EQ(scanned.categories.size(), 1u);
  EXPECT_EQ(scanned.categories[0].items, 0u);

  CliOutput sweep = RunCli(L"sweep FirefoxHistory --yes --json");
  ASSERT_EQ(sweep.exitCode, 3) << sweep.err;  // a refused root
  EXPECT_EQ(TextLines(sweep.err), refusal);
  JsonRun swept = ParseRun(sweep.out);
  ASSERT_TRUE(swept.parsed) << sweep.out;
  ASSERT_EQ(swept.categories.size(), 1u);
  EXPECT_EQ(swept.categories[0].items, 0u);
  EXPECT_TRUE(swept.categories[0].failed.empty());
  EXPECT_EQ(FileSize(canary), 77u);
  ::DeleteFileW(canary.c_str());
}

// ---------------------------------------------------------------- races

// tests/race.sh runs the RaceCli cases with a swapper beside it: a Linux
// process that swaps folders for links and back in a loop while they sweep.
namespace {

const std::wstring kRace = L"C:\\race";

void WriteText(const std::wstring& path, const std::string& text) {
  win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(f.Valid()) << Narrow(path);
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(f.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
}

class Swapper {
 public:
  // Each pair: a folder and the target of the link that takes its place,
  // relative to C:\ with forward slashes.
  explicit Swapper(const std::vector<std::pair<std::string, std::string>>& swaps) {
    if (!Exists(kRace + L"\\ctl")) return;
    std::string text;
    for (const auto& s : swaps) text += s.first + "\t" + s.second + "\n";
    WriteText(kRace + L"\\ctl\\swaps", text);
    WriteText(kRace + L"\\ctl\\go", "");
    started_ = true;
  }
  ~Swapper() { Stop(); }
  bool Started() const { return started_; }
  // Every folder back in place; how many swaps were made.
  int Stop() {
    if (!started_) return swaps_;
    started_ = false;
    const std::wstring stopped = kRace + L"\\ctl\\stopped";
    WriteText(kRace + L"\\ctl\\stop", "");
    WaitUntil([&] { return Exists(stopped); }, 60000, 100);
    swaps_ = std::atoi(ReadAll(stopped).c_str());
    ::DeleteFileW(stopped.c_str());
    return swaps_;
  }

 private:
  bool started_ = false;
  int swaps_ = -1;
};

// Files of distinct sizes and empty folders that must all stay as they are.
struct RaceCanaries {
  std::vector<std::pair<std::wstring, uint64_t>> files;
  std::vector<std::wstring> folders;
  explicit RaceCanaries(const std::vector<std::wstring>& places) {
    uint64_t size = 31;
    for (const std::wstring& place : places) {
      for (const wchar_t* name : {L"\\race-canary.txt", L"\\race-canary-dir\\inner.txt",
                                  L"\\race-canary-dir\\deeper\\deepest.txt"}) {
        files.push_back({place + name, size});
        WriteFile(place + name, size);
        size += 6;
      }
      for (const wchar_t* name : {L"\\race-canary-empty", L"\\race-canary-dir\\empty\\emptier"}) {
        folders.push_back(place + name);
        MakeFolders(place + name);
      }
    }
  }
  ~RaceCanaries() {
    for (const auto& f : files) ::DeleteFileW(f.first.c_str());
    for (const std::wstring& folder : folders) {
      for (std::wstring up = folder; up.find(L"race-canary") != std::wstring::npos; up.erase(up.rfind(L'\\'))) {
        ::RemoveDirectoryW(up.c_str());
      }
    }
    for (const auto& f : files) ::RemoveDirectoryW(f.first.substr(0, f.first.rfind(L'\\')).c_str());
  }
  std::string Missing() const {
    std::string missing;
    for (const auto& f : files) {
      if (FileSize(f.first) != f.second) missing += Narrow(f.first) + " ";
    }
    for (const std::wstring& folder : folders) {
      if (!Exists(folder)) missing += Narrow(folder) + "\\ ";
    }
    return missing;
  }
};

// Counts the files below `folder`, by plain listings (no link is ever there
// once the swapper has stopped).
uint64_t CountFiles(const std::wstring& folder) {
  uint64_t count = 0;
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW((folder + L"\\*").c_str(), &entry));
  if (!listing) return 0;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      count += CountFiles(folder + L"\\" + name);
    } else {
      ++count;
    }
  } while (::FindNextFileW(listing.Get(), &entry));
  return count;
}

}  // namespace

// The user's TEMP, some of its sub-folders and the Windows Temp folder flip
// between folders and links (to ProgramData, to a canary folder outside every
// root) while SystemTemp is swept: nothing behind a link is touched, and the
// count is what went.
TEST(RaceCli, FoldersSwappedForLinksDuringASweepLeadNowhere) {
  ASSERT_TRUE(Exists(kRace + L"\\ctl")) << "run through tests/race.sh (ctest does)";
  const std::wstring programData = SpecialFolder(CSIDL_COMMON_APPDATA);
  const std::wstring windowsTemp = SpecialFolder(CSIDL_WINDOWS) + L"\\Temp";
  ASSERT_EQ(programData, L"C:\\ProgramData");
  ASSERT_EQ(windowsTemp, L"C:\\windows\\Temp");
  RaceCanaries canaries({kRace + L"\\victim", programData});
  // The user's temporary folder must lie in the profile (C:\users\NAME).
  const std::wstring profile = SpecialFolder(CSIDL_PROFILE);
  ASSERT_EQ(profile.compare(0, 9, L"C:\\users\\"), 0);
  const std::wstring temp = profile + L"\\purlo-race-temp";
  const std::string tempFromDriveC = "users/" + Narrow(profile.substr(9)) + "/purlo-race-temp";
  UserEnvironmentValue tempValue(L"TEMP", temp);
  UserEnvironmentValue tmpValue(L"TMP", temp);
  std::vector<wchar_t> environment = UserEnvironmentBlock();
  ASSERT_EQ(BlockValue(environment, L"TMP"), temp);
  int refusals = 0, swapCount = 0;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    EmptyFolder(windowsTemp);
    RemoveTree(temp);  // no link is left once the swapper has stopped
    for (int d = 0; d < 8; ++d) {
      for (int f = 0; f < 40; ++f) {
        const std::wstring folder = temp + L"\\d" + std::to_wstring(d) + (f % 2 ? L"\\sub" : L"");
        WriteFile(folder + L"\\f" + std::to_wstring(f) + L".tmp", 100);
      }
      WriteFile(windowsTemp + L"\\w" + std::to_wstring(d) + L"\\w.tmp", 100);
    }
    const uint64_t seeded = CountFiles(temp) + CountFiles(windowsTemp);
    ASSERT_EQ(seeded, 8u * 40u + 8u);
    CliOutput sweep;
    {
      const std::string t = tempFromDriveC;
      std::vector<std::pair<std::string, std::string>> swaps = {
          {t + "/d1", "race/victim"}, {t + "/d2/sub", "race/victim"}, {t + "/d3", "race/victim"},
          {t + "/d4/sub", "race/victim"}, {t + "/d5", "ProgramData"}, {t + "/d6/sub", "ProgramData"},
          {"windows/Temp", "ProgramData"}};
      // Every other round the user's TEMP itself flips too.
      if (round % 2) swaps.push_back({t, "ProgramData"});
      Swapper swapper(swaps);
      ASSERT_TRUE(swapper.Started());
      sweep = RunCli(L"sweep SystemTemp --yes --json", environment.data());
      swapCount += swapper.Stop();
    }
    // A breach stops the rounds at once.
    ASSERT_EQ(canaries.Missing(), "");
    ASSERT_TRUE(sweep.exitCode == 0 || sweep.exitCode == 3) << sweep.exitCode << sweep.err;
    const std::vector<std::string> refusedNow = TextLines(sweep.err);
    for (const std::string& line : refusedNow) {
      ++refusals;
      // ProgramData itself, or a link where a real folder was built.
      bool known = false;
      for (const wchar_t* why : {kRefusedSystem, L": root refused (link): "}) {
        known = known || line == Narrow(L"purlo-cli: SystemTemp" + std::wstring(why) + temp + L"\\") ||
                line == Narrow(L"purlo-cli: SystemTemp" + std::wstring(why) + windowsTemp);
      }
      EXPECT_TRUE(known) << line;
    }
    JsonRun swept = ParseRun(sweep.out);
    ASSERT_TRUE(swept.parsed) << sweep.out;
    ASSERT_EQ(swept.categories.size(), 1u);
    // 3 tells that a root was refused or a file stayed, and nothing else does.
    EXPECT_EQ(sweep.exitCode, refusedNow.empty() && swept.categories[0].failed.empty() ? 0 : 3);
    const uint64_t remaining = CountFiles(temp) + CountFiles(windowsTemp);
    EXPECT_EQ(swept.categories[0].items, seeded - remaining) << "the count is not what went";
    EXPECT_EQ(swept.categories[0].bytes, 100 * (seeded - remaining));
  }
  std::printf("[ race     ] %d swaps, %d roots refused while they were links\n", swapCount, refusals);
  EXPECT_GT(swapCount, 30) << "the swapper hardly ran";
  EmptyFolder(windowsTemp);
  RemoveTree(temp);
}

namespace {

struct Figures {
  uint64_t items = 0, bytes = 0;
};

// A file that is held open the way a running program holds its lock: shared
// for reading only, so nothing may open it for deletion.
win::UniqueFile HoldLock(const std::wstring& path) {
  MakeFolders(path.substr(0, path.rfind(L'\\')));
  return win::UniqueFile(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

void SetOld(const std::wstring& path) {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t;
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart -= 30ull * 24 * 3600 * 10000000;
  FILETIME then{t.LowPart, t.HighPart};
  win::UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(file.Valid()) << Narrow(path);
  ASSERT_TRUE(::SetFileTime(file.Get(), &then, nullptr, &then));
}

const JsonCategory* Category(const JsonRun& run, const wchar_t* id) { return run.Find(id); }

}  // namespace

// Today's caches, one of each kind of root: folders named below every
// browser profile, folders found by a pattern (store packages), files of one
// pattern (dumps) and history keys with sub-keys. The user's AppData folders
// point into a folder of the profile that holds link fixtures made on the
// Linux side. The junk goes whatever its attributes, name or depth; every
// name the categories never touch, the links' targets and a hard link's other
// name stay byte for byte; a running browser's profiles are skipped whole;
// a second sweep finds nothing.
TEST(ModernCachesCli, CanaryMatrixPerKindOfRoot) {
  ASSERT_EQ(purlo::MajorVersionFromGetVersion(), 6);
  const std::wstring modern = SpecialFolder(CSIDL_PROFILE) + L"\\purlo-modern";
  const std::wstring local = modern + L"\\Local", roaming = modern + L"\\Roaming";
  const std::wstring outside = L"C:\\modern-outside";
  ASSERT_TRUE(Exists(local + L"\\CrashDumps\\filelink.dmp")) << "link fixtures missing: run through ctest";
  std::map<std::wstring, std::string> untouched;  // path: its bytes, compared after every run
  for (const wchar_t* name : {L"canary.txt", L"canary.dmp", L"canarydir\\inner.txt", L"hard.bin"}) {
    untouched[outside + L"\\" + name] = ReadAll(outside + L"\\" + name);
    ASSERT_FALSE(untouched[outside + L"\\" + name].empty());
  }
  std::vector<std::unique_ptr<ScopedStringValue>> folders;
  for (const wchar_t* key : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"}) {
    folders.push_back(std::make_unique<ScopedStringValue>(HKEY_CURRENT_USER, key, L"Local AppData", local));
    folders.push_back(std::make_unique<ScopedStringValue>(HKEY_CURRENT_USER, key, L"AppData", roaming));
  }
  EmptyFolder(SpecialFolder(CSIDL_WINDOWS) + L"\\Minidump");
  EmptyFolder(SpecialFolder(CSIDL_WINDOWS) + L"\\LiveKernelReports");
  const std::wstring fullDump = SpecialFolder(CSIDL_WINDOWS) + L"\\MEMORY.DMP";

  std::map<std::wstring, Figures> junk;  // by category: what a sweep removes
  std::vector<std::wstring> junkPaths;
  auto Junk = [&](const wchar_t* id, const std::wstring& path, uint64_t size, DWORD attributes = 0) {
    WriteFile(path, size);
    if (attributes != 0) {
      ASSERT_TRUE(::SetFileAttributesW(path.c_str(), attributes)) << Narrow(path);
    }
    junk[id].items += 1;
    junk[id].bytes += size;
    junkPaths.push_back(path);
  };
  auto Keep = [&](const std::wstring& path) {
    MakeFolders(path.substr(0, path.rfind(L'\\')));
    const std::string text = "never touched: " + Narrow(path);
    WriteText(path, text);
    untouched[path] = text;
  };

  // Folder roots named below every profile of a browser's User Data.
  const std::wstring chrome = local + L"\\Google\\Chrome\\User Data";
  Keep(chrome + L"\\Local State");
  for (const wchar_t* profile : {L"\\Default", L"\\Profile 2"}) {
    for (const wchar_t* name : {L"Preferences", L"Secure Preferences", L"Bookmarks", L"History", L"Cookies",
                                L"Login Data", L"Login Data For Account", L"Web Data", L"Network\\Cookies",
                                L"Local Storage\\leveldb\\000003.log", L"IndexedDB\\https_x\\1", L"Session Storage\\2",
                                L"Sessions\\Session_1", L"Extensions\\abc\\1.0\\manifest.json",
                                L"Local Extension Settings\\abc\\000003.log", L"Sync Data\\LevelDB\\3",
                                L"Service Worker\\Database\\4"}) {
      Keep(chrome + profile + L"\\" + name);
    }
  }
  const std::wstring cacheData = chrome + L"\\Default\\Cache\\Cache_Data";
  Junk(L"ChromeCache", cacheData + L"\\f_000001", 1000, FILE_ATTRIBUTE_READONLY);
  Junk(L"ChromeCache", cacheData + L"\\data_0", 500, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  Junk(L"ChromeCache", chrome + L"\\Default\\Code Cache\\js\\中文缓存.bin", 300);
  Junk(L"ChromeCache", chrome + L"\\Profile 2\\GPUCache\\data_1", 200);
  Junk(L"ChromeCache", chrome + L"\\ShaderCache\\GPUCache\\x", 100);
  std::wstring deep = L"\\\\?\\" + cacheData;
  while (deep.size() < 300) deep += L"\\a-folder-deep-in-the-cache";
  Junk(L"ChromeCache", deep + L"\\deep.bin", 77);
  Keep(cacheData + L"\\Login Data");  // a never-touched name, even inside a cache
  Keep(chrome + L"\\NotAProfile\\Cache\\x");  // no Preferences: no profile
  // A running browser: its lock is held, so none of its profiles is touched.
  const std::wstring beta = local + L"\\Google\\Chrome Beta\\User Data";
  Keep(beta + L"\\Default\\Preferences");
  Keep(beta + L"\\Default\\Cache\\Cache_Data\\busy");
  Keep(beta + L"\\ShaderCache\\busy");
  win::UniqueFile betaLock = HoldLock(beta + L"\\lockfile");
  ASSERT_TRUE(betaLock.Valid());
  // Firefox: the roaming profile is never a root; one profile's lock is held.
  const std::wstring fxLocal = local + L"\\Mozilla\\Firefox\\Profiles", fxRoaming = roaming + L"\\Mozilla\\Firefox\\Profiles";
  Junk(L"FirefoxCache", fxLocal + L"\\p1.default-release\\cache2\\entries\\A", 600);
  Keep(fxLocal + L"\\p2.work\\cache2\\entries\\B");
  Keep(fxRoaming + L"\\p1.default-release\\places.sqlite");
  Keep(fxRoaming + L"\\p1.default-release\\prefs.js");
  win::UniqueFile firefoxLock = HoldLock(fxRoaming + L"\\p2.work\\parent.lock");
  ASSERT_TRUE(firefoxLock.Valid());

  // Folder roots found by a pattern: every store package.
  const std::wstring packages = local + L"\\Packages";
  Junk(L"StoreAppTemp", packages + L"\\App.One_x\\TempState\\t1", 100, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
  Junk(L"StoreAppTemp", packages + L"\\App.One_x\\AC\\Temp\\中文.tmp", 200);
  Junk(L"StoreAppTemp", packages + L"\\App.One_x\\AC\\INetCache\\IE\\x", 300);
  Junk(L"StoreAppTemp", packages + L"\\App.Two_y\\TempState\\t2", 150);
  for (const wchar_t* name : {L"LocalState\\db", L"RoamingState\\r", L"Settings\\settings.dat", L"LocalCache\\lc",
                              L"AC\\INetCookies\\c", L"TempState\\LocalState"}) {
    Keep(packages + L"\\App.One_x\\" + name);
  }

  // Files of one pattern and a minimum age: the user's crash dumps.
  const std::wstring dumps = local + L"\\CrashDumps";
  Junk(L"CrashDumps", dumps + L"\\app.exe.1.dmp", 500, FILE_ATTRIBUTE_HIDDEN);
  Junk(L"CrashDumps", dumps + L"\\崩溃.dmp", 250);
  Junk(L"CrashDumps", fullDump, 123, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
  for (const std::wstring& path : {dumps + L"\\app.exe.1.dmp", dumps + L"\\崩溃.dmp", fullDump}) SetOld(path);
  Keep(dumps + L"\\young.dmp");  // written just now: the program may still be writing it
  for (const wchar_t* name : {L"\\notes.txt", L"\\pagefile.sys"}) {
    Keep(dumps + name);
    SetOld(dumps + name);
  }

  // History keys with sub-keys; one sub-key is a link to a key of canaries.
  const std::wstring comDlg = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32";
  const std::wstring openSave = comDlg + L"\\OpenSavePidlMRU", canaryKey = L"Software\\purlo-modern-canary";
  DeleteKeyTree(HKEY_CURRENT_USER, comDlg);
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths");
  DeleteKeyTree(HKEY_CURRENT_USER, canaryKey);
  for (const wchar_t* name : {L"a", L"b", L"c", L"d"}) SetString(HKEY_CURRENT_USER, canaryKey, name, L"canary");
  for (const wchar_t* name : {L"MRUListEx", L"0"}) SetString(HKEY_CURRENT_USER, openSave, name, L"x");
  for (const wchar_t* name : {L"MRUListEx", L"0", L"1"}) SetString(HKEY_CURRENT_USER, openSave + L"\\*", name, L"x");
  SetString(HKEY_CURRENT_USER, openSave + L"\\pdf", L"0", L"x");
  SetString(HKEY_CURRENT_USER, comDlg + L"\\LastVisitedPidlMRU", L"0", L"x");
  SetString(HKEY_CURRENT_USER, comDlg + L"\\LastVisitedPidlMRU", L"MRUListEx", L"x");
  SetString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths", L"url1", L"x");
  SetString(HKEY_CURRENT_USER, comDlg + L"\\CIDSizeMRU", L"0", L"stays");
  RegistryLink link(HKEY_CURRENT_USER, openSave + L"\\lnk", KernelKeyName(HKEY_CURRENT_USER, canaryKey));
  ASSERT_TRUE(link.Made());
  junk[L"FileDialogHistory"] = Figures{9, 0};

  // What a scan adds: a file link counts as its target, a hard link as itself.
  std::map<std::wstring, Figures> scanned = junk;
  scanned[L"ChromeCache"].items += 2;
  scanned[L"ChromeCache"].bytes += FileSize(outside + L"\\canary.txt") + FileSize(outside + L"\\hard.bin");
  scanned[L"StoreAppTemp"].items += 1;
  scanned[L"StoreAppTemp"].bytes += FileSize(outside + L"\\canary.txt");
  scanned[L"CrashDumps"].items += 1;
  scanned[L"CrashDumps"].bytes += FileSize(outside + L"\\canary.dmp");
  junk[L"ChromeCache"].items += 1;  // the hard link's own name goes
  junk[L"ChromeCache"].bytes += FileSize(outside + L"\\hard.bin");

  const std::wstring ids = L"ChromeCache FirefoxCache StoreAppTemp CrashDumps FileDialogHistory";
  auto expectUntouched = [&](const char* when) {
    for (const auto& entry : untouched) EXPECT_EQ(ReadAll(entry.first), entry.second) << when << ": " << Narrow(entry.first);
    for (const std::wstring& linked : {cacheData + L"\\dirlink", cacheData + L"\\filelink.txt",
                                       packages + L"\\App.One_x\\TempState\\dirlink", dumps + L"\\dirlink.dmp"}) {
      EXPECT_TRUE(Exists(linked)) << when << ": " << Narrow(linked);
    }
    EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, canaryKey), 4u) << when;
    EXPECT_TRUE(IsLinkKey(HKEY_CURRENT_USER, openSave + L"\\lnk")) << when;
    EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, comDlg + L"\\CIDSizeMRU"), 1u) << when;
  };
  auto expectFigures = [&](const JsonRun& run, const std::map<std::wstring, Figures>& expected, const char* when) {
    ASSERT_EQ(run.categories.size(), 5u) << when;
    for (const auto& entry : expected) {
      const JsonCategory* got = Category(run, entry.first.c_str());
      ASSERT_NE(got, nullptr) << when << ": " << Narrow(entry.first);
      EXPECT_EQ(got->items, entry.second.items) << when << ": " << Narrow(entry.first);
      EXPECT_EQ(got->bytes, entry.second.bytes) << when << ": " << Narrow(entry.first);
      const bool running = entry.first == L"ChromeCache" || entry.first == L"FirefoxCache";
      EXPECT_EQ(got->status, running ? L"in use" : L"done") << when << ": " << Narrow(entry.first);
      EXPECT_TRUE(got->refused.empty()) << when << ": " << Narrow(entry.first);
      EXPECT_TRUE(got->failed.empty()) << when << ": " << Narrow(entry.first) << " "
                                       << Narrow(got->failed.empty() ? L"" : got->failed[0]);
    }
  };

  CliOutput scan = RunCli(L"scan --json " + ids);
  EXPECT_EQ(scan.exitCode, 0) << scan.err;
  JsonRun scanRun = ParseRun(scan.out);
  ASSERT_TRUE(scanRun.parsed) << scan.out;
  expectFigures(scanRun, scanned, "scan");
  expectUntouched("scan");

  CliOutput sweep = RunCli(L"sweep --yes --json " + ids);
  EXPECT_EQ(sweep.exitCode, 0) << "in use is no failure: " << sweep.err;
  JsonRun sweepRun = ParseRun(sweep.out);
  ASSERT_TRUE(sweepRun.parsed) << sweep.out;
  expectFigures(sweepRun, junk, "sweep");
  for (const std::wstring& path : junkPaths) EXPECT_FALSE(Exists(path)) << Narrow(path);
  const JsonCategory* chromeSwept = Category(sweepRun, L"ChromeCache");
  ASSERT_NE(chromeSwept, nullptr);
  EXPECT_EQ(chromeSwept->skipped, std::vector<std::wstring>{cacheData + L"\\filelink.txt"});
  EXPECT_TRUE(Exists(chrome + L"\\Default\\Cache\\Cache_Data")) << "a root's folders go only when empty";
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, openSave), 0u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, openSave + L"\\*"), 0u);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, openSave + L"\\pdf"));
  expectUntouched("sweep");

  std::map<std::wstring, Figures> nothing;
  for (const auto& entry : junk) nothing[entry.first] = Figures{};
  JsonRun again = ParseRun(RunCli(L"sweep --yes --json " + ids).out);
  ASSERT_TRUE(again.parsed);
  expectFigures(again, nothing, "second sweep");
  expectUntouched("second sweep");
  DeleteKeyTree(HKEY_CURRENT_USER, canaryKey);

  // The full dump is taken in the Windows folder by its name only: the crash
  // settings naming another file there get a refusal, and the file stays.
  const std::wstring other = SpecialFolder(CSIDL_WINDOWS) + L"\\purlo-not-a-dump.dmp";
  WriteText(other, "a file of the Windows folder");
  SetOld(other);
  {
    ScopedStringValue dumpFile(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\CrashControl", L"DumpFile",
                               other);
    CliOutput refused = RunCli(L"sweep --yes --json CrashDumps");
    EXPECT_EQ(refused.exitCode, 3) << refused.err;
    JsonRun run = ParseRun(refused.out);
    ASSERT_TRUE(run.parsed) << refused.out;
    ASSERT_EQ(run.categories.size(), 1u);
    ASSERT_EQ(run.categories[0].refused.size(), 1u) << refused.out;
    EXPECT_EQ(run.categories[0].refused[0].path, other);
    EXPECT_EQ(run.categories[0].items, 0u);
  }
  EXPECT_EQ(ReadAll(other), "a file of the Windows folder");
  ::DeleteFileW(other.c_str());
}

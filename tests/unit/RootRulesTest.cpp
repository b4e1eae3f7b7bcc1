#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <map>

#include "engine/core/CategoryScope.h"
#include "engine/core/RootJudge.h"
#include "engine/core/RootRules.h"
#include "engine/core/Texts.h"
#include "engine/core/Users.h"

using namespace purlo;

namespace {

// Fixed answers, as a machine would give them.
struct FakeLookups : SystemLookups {
  bool tempOk = true;
  std::wstring temp = L"C:\\DOCUME~1\\me\\LOCALS~1\\Temp\\";
  DWORD tempError = 5;
  std::map<int, std::wstring> folders = {{CSIDL_WINDOWS, L"C:\\WINDOWS"},
                                         {CSIDL_INTERNET_CACHE, L"C:\\me\\Temporary Internet Files"},
                                         {CSIDL_COOKIES, L"C:\\me\\Cookies"},
                                         {CSIDL_APPDATA, L"C:\\me\\Application Data"},
                                         {CSIDL_COMMON_APPDATA, L"C:\\All Users\\Application Data"}};
  std::map<std::wstring, std::wstring> variables = {{L"%APPDATA%", L"C:\\me\\AppData\\Roaming"},
                                                    {L"%USERPROFILE%", L"C:\\me"}};
  std::map<std::wstring, UINT> drives;
  std::vector<std::wstring> profiles;
  std::wstring listedFolder;
  std::map<std::wstring, std::pair<RegRead, std::wstring>> registry;

  bool TempPath(std::wstring& out, DWORD& error) override {
    if (!tempOk) error = tempError;
    out = temp;
    return tempOk;
  }
  bool SpecialFolder(int csidl, std::wstring& out) override {
    auto it = folders.find(csidl);
    if (it == folders.end()) return false;
    out = it->second;
    return true;
  }
  bool ExpandVariable(const std::wstring& variable, std::wstring& out) override {
    auto it = variables.find(variable);
    if (it == variables.end()) return false;
    out = it->second;
    return true;
  }
  UINT DriveType(const std::wstring& drive) override {
    auto it = drives.find(drive);
    return it == drives.end() ? DRIVE_NO_ROOT_DIR : it->second;
  }
  std::vector<std::wstring> Subfolders(const std::wstring& folder) override {
    listedFolder = folder;
    return profiles;
  }
  RegRead ReadString(HKEY root, const wchar_t* key, const wchar_t* value, std::wstring& out) override {
    auto it = registry.find(std::wstring(key) + L"|" + value);
    if (it == registry.end()) return RegRead::KeyMissing;
    out = it->second.second;
    return it->second.first;
  }
  std::vector<std::wstring> systemFolders;
  std::vector<std::wstring> SystemFolders() override { return systemFolders; }
  std::wstring profile = L"C:\\me";
  bool ProfileFolder(std::wstring& out) override {
    out = profile;
    return !out.empty();
  }
  std::vector<std::wstring> OtherProfileFolders() override { return {}; }
  RunPart part = RunPart::Whole;
  UserFacts User() override {
    UserFacts facts;
    facts.part = part;
    return facts;
  }
};

const wchar_t kMaxthon[] = L"Software\\Maxthon2|Folder";
const wchar_t kTheWorld[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe|Path";
const wchar_t kStorm[] = L"Software\\storm|exepath";

using Paths = std::vector<std::wstring>;

Paths RootsOf(JunkCategory c, FakeLookups& f, int version = 5) { return BuildRoots(c, version, f).paths; }

}  // namespace

TEST(RootRules, SystemFoldersAndTheirTails) {
  FakeLookups f;
  EXPECT_EQ(RootsOf(JunkCategory::SystemTemp, f),
            (Paths{L"C:\\DOCUME~1\\me\\LOCALS~1\\Temp\\", L"C:\\WINDOWS\\Temp"}));
  EXPECT_EQ(RootsOf(JunkCategory::Prefetch, f), Paths{L"C:\\WINDOWS\\Prefetch"});
  EXPECT_EQ(RootsOf(JunkCategory::IeTemp, f), Paths{L"C:\\me\\Temporary Internet Files"});
  EXPECT_EQ(RootsOf(JunkCategory::IeCookies, f), Paths{L"C:\\me\\Cookies"});
  EXPECT_EQ(RootsOf(JunkCategory::DownloadedPrograms, f), Paths{L"C:\\WINDOWS\\Downloaded Program Files"});
  EXPECT_EQ(RootsOf(JunkCategory::UpdateDownloads, f), Paths{L"C:\\WINDOWS\\SoftwareDistribution\\Download"});
  EXPECT_EQ(RootsOf(JunkCategory::RecentDocs, f), Paths{L"C:\\me\\Recent"});
  EXPECT_EQ(RootsOf(JunkCategory::GoogleToolbarHistory, f),
            Paths{L"C:\\me\\Application Data\\Google\\Local Search History"});
  EXPECT_EQ(RootsOf(JunkCategory::RealPlayerHistory, f), Paths{L"C:\\me\\AppData\\Roaming\\Real\\RealPlayer\\History"});
}

TEST(RootRules, MarkersForRecycleBinAndRegistryCategories) {
  FakeLookups f;
  EXPECT_EQ(RootsOf(JunkCategory::RecycleBin, f), Paths{L"回收站"});
  EXPECT_EQ(RootsOf(JunkCategory::IeTypedUrls, f), Paths{L"Internet Explorer 地址栏历史网址"});
  EXPECT_EQ(RootsOf(JunkCategory::RunHistory, f), Paths{L"开始菜单\"运行\"对话框记录(重启生效)"});
  EXPECT_EQ(RootsOf(JunkCategory::SearchHistory, f), Paths{L"Windows 搜索历史记录"});
  EXPECT_EQ(RootsOf(JunkCategory::QqToolbarHistory, f, 0), Paths{L"QQ 工具栏搜索记录"});
  EXPECT_EQ(RootsOf(JunkCategory::BaiduToolbarHistory, f), Paths{L"百度工具栏搜索记录"});
}

TEST(RootRules, VersionDependentRoots) {
  FakeLookups f;
  EXPECT_EQ(RootsOf(JunkCategory::QqPlayerHistory, f, 5),
            Paths{L"C:\\me\\Application Data\\Tencent\\QQPlayer\\default.qpl"});
  EXPECT_EQ(RootsOf(JunkCategory::QqPlayerHistory, f, 6),
            (Paths{L"C:\\me\\AppData\\Roaming\\Tencent\\QQPlayer", L"C:\\me\\AppData\\Roaming\\Tencent\\QQPlayer\\QPUpdate",
                   L"C:\\me\\AppData\\Roaming\\Tencent\\QQPlayer\\QPLyric"}));
  EXPECT_TRUE(RootsOf(JunkCategory::QqPlayerHistory, f, 0).empty());
  EXPECT_EQ(RootsOf(JunkCategory::KankanHistory, f, 5),
            Paths{L"C:\\All Users\\Application Data\\Thunder Network\\XMP\\Playlists"});
  EXPECT_EQ(RootsOf(JunkCategory::KankanHistory, f, 6),
            Paths{L"C:\\me\\AppData\\Roaming\\Microsoft\\Windows\\Cookies\\Low\\Thunder Network\\KanKan\\Cookie"});
  EXPECT_TRUE(RootsOf(JunkCategory::KankanHistory, f, 0).empty());
  EXPECT_STREQ(HistoryKey(JunkCategory::QqToolbarHistory, 5), L"Software\\Tencent\\QQToolbar\\History");
  EXPECT_STREQ(HistoryKey(JunkCategory::QqToolbarHistory, 6), L"Software\\AppDataLow\\Tencent\\QQToolbar\\History");
  EXPECT_EQ(HistoryKey(JunkCategory::QqToolbarHistory, 0), nullptr);
}

TEST(RootRules, TempPathFailureStopsTheRun) {
  FakeLookups f;
  f.tempOk = false;
  Roots roots = BuildRoots(JunkCategory::SystemTemp, 6, f);
  EXPECT_EQ(roots.outcome, RootsOutcome::TempPathFailed);
  EXPECT_EQ(roots.error, 5u);
}

TEST(RootRules, FailedLookupsLeaveTheirRootOut) {
  FakeLookups f;
  f.folders.clear();
  f.variables.clear();
  EXPECT_EQ(RootsOf(JunkCategory::SystemTemp, f), Paths{L"C:\\DOCUME~1\\me\\LOCALS~1\\Temp\\"});
  for (JunkCategory c : {JunkCategory::Prefetch, JunkCategory::IeTemp, JunkCategory::IeCookies,
                         JunkCategory::DownloadedPrograms, JunkCategory::UpdateDownloads, JunkCategory::RecentDocs,
                         JunkCategory::GoogleToolbarHistory, JunkCategory::RealPlayerHistory,
                         JunkCategory::FirefoxHistory}) {
    Roots roots = BuildRoots(c, 6, f);
    EXPECT_EQ(roots.outcome, RootsOutcome::Ready);
    EXPECT_TRUE(roots.paths.empty()) << static_cast<int>(c) << ": " << roots.paths.size();
  }
  EXPECT_TRUE(RootsOf(JunkCategory::QqPlayerHistory, f, 6).empty());
  EXPECT_TRUE(RootsOf(JunkCategory::KankanHistory, f, 5).empty());
  EXPECT_TRUE(RootsOf(JunkCategory::StormPlayerHistory, f).empty());
}

// Built as the machine says; the judge refuses them, before opening anything.
TEST(RootRules, RootsThatWouldNameADriveRootOrARelativePathAreRefused) {
  FakeLookups f;
  f.folders[CSIDL_INTERNET_CACHE] = L"C:\\";
  f.folders[CSIDL_COOKIES] = L"Cookies";
  f.temp = L"Temp\\";
  EXPECT_EQ(RootsOf(JunkCategory::IeTemp, f), Paths{L"C:\\"});
  EXPECT_EQ(RootsOf(JunkCategory::SystemTemp, f), (Paths{L"Temp\\", L"C:\\WINDOWS\\Temp"}));
  RootJudge judge(nullptr, &f);
  for (const auto& root : std::vector<std::pair<std::wstring, RootRefusal>>{
           {L"C:\\", RootRefusal::AboveProtected}, {L"Cookies", RootRefusal::BadSpelling},
           {L"Temp\\", RootRefusal::BadSpelling}, {L"Storm.exe\\playlist.smpl", RootRefusal::BadSpelling}}) {
    ResolvedRoot resolved;
    RootRefusal why = RootRefusal::Protected;
    EXPECT_EQ(judge.Resolve(root.first, RootClass::PerUser, false, resolved, why), Judgement::Refused);
    EXPECT_EQ(why, root.second);
  }
  EXPECT_EQ(judge.RootOpens(), 0u);
}

TEST(RootRules, OfficeCachesOnFixedDrivesFromCToZ) {
  FakeLookups f;
  EXPECT_TRUE(RootsOf(JunkCategory::OfficeSetupCache, f).empty());
  f.drives = {{L"A:", DRIVE_FIXED}, {L"B:", DRIVE_FIXED}, {L"C:", DRIVE_FIXED}, {L"D:", DRIVE_CDROM},
              {L"E:", DRIVE_REMOVABLE}, {L"F:", DRIVE_REMOTE}, {L"G:", DRIVE_RAMDISK}, {L"H:", DRIVE_FIXED},
              {L"Z:", DRIVE_FIXED}};
  EXPECT_EQ(RootsOf(JunkCategory::OfficeSetupCache, f),
            (Paths{L"C:\\MSOCache", L"H:\\MSOCache", L"Z:\\MSOCache"}));
}

TEST(RootRules, FirefoxProfileChosenByFolderNameOnly) {
  FakeLookups f;
  // The profile path itself contains "default": it must not decide.
  f.variables[L"%APPDATA%"] = L"C:\\Users\\default\\AppData\\Roaming";
  f.profiles = {L"abc.work", L"xyz.play"};
  EXPECT_EQ(RootsOf(JunkCategory::FirefoxHistory, f),
            Paths{L"C:\\Users\\default\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\xyz.play\\places.sqlite"});
  EXPECT_EQ(f.listedFolder, L"C:\\Users\\default\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\");
  f.profiles = {L"abc.work", L"q1.default", L"q2.default-release"};
  EXPECT_EQ(RootsOf(JunkCategory::FirefoxHistory, f),
            Paths{L"C:\\Users\\default\\AppData\\Roaming\\Mozilla\\Firefox\\Profiles\\q1.default\\places.sqlite"});
  f.profiles = {L"x.Default"};  // the search is case-sensitive: last listed wins
  EXPECT_EQ(ChooseFirefoxProfile(f.profiles), L"x.Default");
  f.profiles.clear();
  EXPECT_TRUE(RootsOf(JunkCategory::FirefoxHistory, f).empty());
}

TEST(RootRules, MaxthonHistoryFileWithOneBackslash) {
  FakeLookups f;
  EXPECT_EQ(BuildRoots(JunkCategory::MaxthonHistory, 5, f).outcome, RootsOutcome::NotInstalled);
  f.registry[kMaxthon] = {RegRead::Ok, L"D:\\Maxthon2\\"};
  EXPECT_EQ(RootsOf(JunkCategory::MaxthonHistory, f), Paths{L"D:\\Maxthon2\\SharedAccount\\Data\\history2.dat"});
  f.registry[kMaxthon] = {RegRead::Ok, L"D:\\Maxthon2"};
  EXPECT_EQ(RootsOf(JunkCategory::MaxthonHistory, f), Paths{L"D:\\Maxthon2\\SharedAccount\\Data\\history2.dat"});
  // Key present, value empty or missing: a task with no root, never "\SharedAccount...".
  f.registry[kMaxthon] = {RegRead::Ok, L""};
  Roots empty = BuildRoots(JunkCategory::MaxthonHistory, 5, f);
  EXPECT_EQ(empty.outcome, RootsOutcome::Ready);
  EXPECT_TRUE(empty.paths.empty());
  f.registry[kMaxthon] = {RegRead::ValueMissing, L""};
  EXPECT_TRUE(RootsOf(JunkCategory::MaxthonHistory, f).empty());
}

TEST(RootRules, TheWorldDataFolder) {
  FakeLookups f;
  EXPECT_EQ(BuildRoots(JunkCategory::TheWorldHistory, 6, f).outcome, RootsOutcome::NotInstalled);
  f.registry[kTheWorld] = {RegRead::Ok, L"C:\\Program Files\\TheWorld"};
  EXPECT_EQ(RootsOf(JunkCategory::TheWorldHistory, f), Paths{L"C:\\Program Files\\TheWorld\\data"});
  f.registry[kTheWorld] = {RegRead::ValueMissing, L""};
  Roots roots = BuildRoots(JunkCategory::TheWorldHistory, 6, f);
  EXPECT_EQ(roots.outcome, RootsOutcome::Ready);
  EXPECT_TRUE(roots.paths.empty());  // never "\data" at the root of the current drive
}

TEST(RootRules, StormPlaylistCutAtTheLastBackslash) {
  FakeLookups f;
  const Paths common = {L"C:\\All Users\\Application Data\\Storm\\playlist.smpl",
                        L"C:\\All Users\\Application Data\\Storm\\config.xml"};
  EXPECT_EQ(RootsOf(JunkCategory::StormPlayerHistory, f), common);
  f.registry[kStorm] = {RegRead::Ok, L"C:\\Program Files\\Storm\\Storm.exe"};
  Paths expected = {L"C:\\Program Files\\Storm\\playlist.smpl"};
  expected.insert(expected.end(), common.begin(), common.end());
  EXPECT_EQ(RootsOf(JunkCategory::StormPlayerHistory, f), expected);
  // No backslash to cut at: the root is relative (and refused when judged).
  f.registry[kStorm] = {RegRead::Ok, L"Storm.exe"};
  expected[0] = L"Storm.exe\\playlist.smpl";
  EXPECT_EQ(RootsOf(JunkCategory::StormPlayerHistory, f), expected);
}

// A run for one user builds the user's roots of the two mixed categories, the
// machine's run the machine's; each is built once in a run for every user.
TEST(RootRules, UserAndMachineParts) {
  FakeLookups f;
  f.registry[kStorm] = {RegRead::Ok, L"C:\\me\\Storm\\Storm.exe"};
  f.part = RunPart::User;
  EXPECT_EQ(RootsOf(JunkCategory::SystemTemp, f), Paths{L"C:\\DOCUME~1\\me\\LOCALS~1\\Temp\\"});
  EXPECT_EQ(RootsOf(JunkCategory::StormPlayerHistory, f), Paths{L"C:\\me\\Storm\\playlist.smpl"});
  f.part = RunPart::Machine;
  f.tempOk = false;  // never asked: a failure would stop the run
  EXPECT_EQ(RootsOf(JunkCategory::SystemTemp, f), Paths{L"C:\\WINDOWS\\Temp"});
  EXPECT_EQ(RootsOf(JunkCategory::StormPlayerHistory, f),
            (Paths{L"C:\\All Users\\Application Data\\Storm\\playlist.smpl",
                   L"C:\\All Users\\Application Data\\Storm\\config.xml"}));

  const std::vector<JunkCategory> all(RunOrder().begin(), RunOrder().end());
  for (int version : {5, 6}) {
    const std::vector<JunkCategory> user = CategoriesOfPart(all, RunPart::User, version);
    const std::vector<JunkCategory> machine = CategoriesOfPart(all, RunPart::Machine, version);
    EXPECT_EQ(CategoriesOfPart(all, RunPart::Whole, version), all);
    for (JunkCategory c : all) {
      const CategoryScope scope = ScopeOf(c, version);
      const bool inUser = std::count(user.begin(), user.end(), c) == 1;
      const bool inMachine = std::count(machine.begin(), machine.end(), c) == 1;
      EXPECT_EQ(inUser, scope != CategoryScope::Machine) << Info(c).position;
      EXPECT_EQ(inMachine, scope != CategoryScope::User) << Info(c).position;
    }
  }
  EXPECT_EQ(ScopeOf(JunkCategory::KankanHistory, 6), CategoryScope::User);
  EXPECT_EQ(ScopeOf(JunkCategory::KankanHistory, 5), CategoryScope::Machine);
  EXPECT_EQ(ScopeOf(JunkCategory::Prefetch, 6), CategoryScope::Machine);
  EXPECT_EQ(ScopeOf(JunkCategory::IeTypedUrls, 6), CategoryScope::User);
  // A part's roots are judged by the class they have in the whole category.
  using Classes = std::vector<RootClass>;
  const auto classesOf = [&f](JunkCategory c, RunPart part) {
    f.part = part;
    return BuildRoots(c, 6, f).classes;
  };
  f.tempOk = true;
  EXPECT_EQ(classesOf(JunkCategory::SystemTemp, RunPart::Machine), Classes{RootClass::Machine});
  EXPECT_EQ(classesOf(JunkCategory::SystemTemp, RunPart::User), Classes{RootClass::PerUser});
  EXPECT_EQ(classesOf(JunkCategory::StormPlayerHistory, RunPart::User), Classes{RootClass::ApplicationFile});
  EXPECT_EQ(classesOf(JunkCategory::StormPlayerHistory, RunPart::Machine), (Classes{RootClass::Machine, RootClass::Machine}));
  EXPECT_EQ(classesOf(JunkCategory::SystemTemp, RunPart::Whole), (Classes{RootClass::PerUser, RootClass::Machine}));
  EXPECT_EQ(classesOf(JunkCategory::IeTemp, RunPart::User), Classes{RootClass::PerUser});
  EXPECT_EQ(classesOf(JunkCategory::IeTypedUrls, RunPart::User), Classes{RootClass::Marker});

  // Statuses before any root is built.
  UserFacts nobody{false, false, false, RunPart::Machine};
  EXPECT_EQ(StatusBeforeStart(JunkCategory::IeTemp, 6, nobody), CategoryStatus::NoUser);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::RecycleBin, 6, nobody), CategoryStatus::NoUser);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::IeTypedUrls, 6, nobody), CategoryStatus::NoUser);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::SystemTemp, 6, nobody), CategoryStatus::Done);  // Windows\Temp
  EXPECT_EQ(StatusBeforeStart(JunkCategory::Prefetch, 6, nobody), CategoryStatus::Done);
  UserFacts other{true, false, false, RunPart::User};
  EXPECT_EQ(StatusBeforeStart(JunkCategory::RecycleBin, 6, other), CategoryStatus::NotThisUser);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::RunHistory, 6, other), CategoryStatus::HiveNotLoaded);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::IeTemp, 6, other), CategoryStatus::Done);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::RecycleBin, 6, UserFacts{}), CategoryStatus::Done);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::RunHistory, 6, UserFacts{}), CategoryStatus::Done);
  EXPECT_STREQ(StatusText(CategoryStatus::HiveNotLoaded), L"hive not loaded");
  EXPECT_STREQ(StatusText(CategoryStatus::NotThisUser), L"not this user");
  EXPECT_STREQ(StatusText(CategoryStatus::NoUser), L"no user");
  // Windows' clean-up handlers are the machine's; the sandbox registers none.
  EXPECT_EQ(StatusBeforeStart(JunkCategory::PreviousInstallations, 6, nobody), CategoryStatus::NoHandler);
  EXPECT_EQ(StatusBeforeStart(JunkCategory::ThumbnailCache, 6, other), CategoryStatus::NoHandler);
  EXPECT_STREQ(StatusText(CategoryStatus::NoHandler), L"no handler");
  EXPECT_STREQ(StatusText(CategoryStatus::NeedsSixtyFourBit), L"needs 64-bit");
  EXPECT_STREQ(RefusalText(RootRefusal::PlantedHandler), L"planted handler");
}

namespace {

// A machine with an administrator (who runs the program), two users, a
// deleted account's profile, one profile whose folder is a link, and the
// service profiles.
struct FakeAccounts : AccountSource {
  bool sessionKnown = true;
  std::wstring session = L"S-1-5-21-9-9-9-1001";
  std::wstring running = L"S-1-5-21-9-9-9-500";
  std::vector<ProfileRecord> profiles = {{L"S-1-5-18", L"C:\\Windows\\system32\\config\\systemprofile"},
                                         {L"S-1-5-21-9-9-9-500", L"C:\\Users\\admin"},
                                         {L"S-1-5-21-9-9-9-1001", L"C:\\Users\\ann"},
                                         {L"S-1-5-21-9-9-9-1002", L"C:\\Users\\bob.CORP"},
                                         {L"S-1-5-21-9-9-9-1003", L"C:\\Users\\gone"},
                                         {L"S-1-5-21-9-9-9-1004", L"C:\\Users\\linked"},
                                         {L"S-1-5-20", L"C:\\Windows\\ServiceProfiles\\NetworkService"}};
  std::map<std::wstring, std::wstring> names = {{L"S-1-5-18", L"SYSTEM"},
                                                {L"S-1-5-21-9-9-9-500", L"admin"},
                                                {L"S-1-5-21-9-9-9-1001", L"ann"},
                                                {L"S-1-5-21-9-9-9-1002", L"bob"},
                                                {L"S-1-5-21-9-9-9-1004", L"lin"},
                                                {L"S-1-5-20", L"NETWORK SERVICE"}};
  std::wstring unusable = L"C:\\Users\\linked";

  bool SessionUserSid(std::wstring& sid) override {
    sid = session;
    return sessionKnown;
  }
  std::wstring RunningSid() override { return running; }
  std::vector<ProfileRecord> Profiles() override { return profiles; }
  std::wstring AccountName(const std::wstring& sid) override {
    auto it = names.find(sid);
    return it == names.end() ? std::wstring() : it->second;
  }
  std::wstring AccountSid(const std::wstring& name) override {
    for (const auto& entry : names) {
      if (::lstrcmpiW(entry.second.c_str(), name.c_str()) == 0) return entry.first;
    }
    return std::wstring();
  }
  bool UsableProfileFolder(const std::wstring& folder) override { return folder != unusable; }
  std::shared_ptr<const win::UniqueKernel> TokenOf(const std::wstring&) override { return nullptr; }
};

std::vector<std::wstring> SidsOf(const std::vector<CleanedUser>& users) {
  std::vector<std::wstring> sids;
  for (const CleanedUser& user : users) sids.push_back(user.sid);
  return sids;
}

}  // namespace

// Whom a run cleans for, by the same logic the dialog and purlo-cli use.
TEST(RootRules, WhomARunCleansFor) {
  FakeAccounts machine;
  // Elevated over the shoulder: the administrator runs it, ann is logged on.
  SessionChoice choice = ChooseSessionUser(machine);
  ASSERT_TRUE(choice.found);
  EXPECT_EQ(choice.user.sid, L"S-1-5-21-9-9-9-1001");
  EXPECT_EQ(choice.user.name, L"ann");
  EXPECT_EQ(choice.user.profile, L"C:\\Users\\ann");
  EXPECT_FALSE(choice.runningAccount);
  // The session's own account: nothing to name.
  machine.session = machine.running;
  choice = ChooseSessionUser(machine);
  ASSERT_TRUE(choice.found);
  EXPECT_TRUE(choice.runningAccount);
  // No session user, or one without a usable profile: nobody, never the running account.
  machine.sessionKnown = false;
  EXPECT_FALSE(ChooseSessionUser(machine).found);
  machine.sessionKnown = true;
  machine.session = L"S-1-5-21-9-9-9-1004";
  EXPECT_FALSE(ChooseSessionUser(machine).found);
  machine.session = L"S-1-5-21-9-9-9-7777";  // no profile
  EXPECT_FALSE(ChooseSessionUser(machine).found);

  CleanedUser user;
  EXPECT_EQ(NamedUser(machine, L"ANN", user), NamedUserResult::Found);
  EXPECT_EQ(user.sid, L"S-1-5-21-9-9-9-1001");
  EXPECT_EQ(NamedUser(machine, L"S-1-5-21-9-9-9-1002", user), NamedUserResult::Found);
  EXPECT_EQ(user.name, L"bob");
  // A folder's name stands for an account only where the account cannot be looked up.
  EXPECT_EQ(NamedUser(machine, L"gone", user), NamedUserResult::Found);
  EXPECT_EQ(user.sid, L"S-1-5-21-9-9-9-1003");
  EXPECT_EQ(user.name, L"gone");
  EXPECT_EQ(NamedUser(machine, L"bob.CORP", user), NamedUserResult::Unknown);
  EXPECT_EQ(NamedUser(machine, L"nobody", user), NamedUserResult::Unknown);
  EXPECT_EQ(NamedUser(machine, L"lin", user), NamedUserResult::ProfileRefused);
  // Service profiles when named.
  EXPECT_EQ(NamedUser(machine, L"S-1-5-18", user), NamedUserResult::Found);
  EXPECT_EQ(user.profile, L"C:\\Windows\\system32\\config\\systemprofile");

  // Every usable profile, no service profile.
  EXPECT_EQ(SidsOf(AllUsers(machine)), (std::vector<std::wstring>{L"S-1-5-21-9-9-9-500", L"S-1-5-21-9-9-9-1001",
                                                                  L"S-1-5-21-9-9-9-1002", L"S-1-5-21-9-9-9-1003"}));
  EXPECT_TRUE(IsServiceSid(L"s-1-5-19"));
  EXPECT_FALSE(IsServiceSid(L"S-1-5-21-9-9-9-500"));

  // References expand from the given answers only; an unknown one expands nothing.
  std::wstring out;
  auto lookup = [](const std::wstring& name) {
    return name == L"USERPROFILE" ? std::wstring(L"C:\\Users\\ann") : std::wstring();
  };
  EXPECT_TRUE(ExpandReferences(L"%USERPROFILE%\\AppData\\Roaming", lookup, out));
  EXPECT_EQ(out, L"C:\\Users\\ann\\AppData\\Roaming");
  EXPECT_FALSE(ExpandReferences(L"%APPDATA%\\x", lookup, out));
  EXPECT_TRUE(ExpandReferences(L"C:\\plain", lookup, out));
  EXPECT_EQ(out, L"C:\\plain");
}

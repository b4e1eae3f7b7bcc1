// purlo-cli sweep, end to end: real deletion on seeded locations of the
// sandbox prefix, and everything outside the roots left as it was.
#include <gtest/gtest.h>
#include <algorithm>
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "engine/core/Catalogue.h"
#include "engine/core/LabelText.h"
#include "engine/core/RunLock.h"
#include "engine/core/RunState.h"
#include "engine/core/Texts.h"
#include "tests/e2e/Seeds.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Safety.h"
#include "win/Handles.h"

using namespace testing_support;

namespace {

int Version() { return purlo::MajorVersionFromGetVersion(); }

std::wstring TempFolder() { return TempPath().substr(0, TempPath().size() - 1); }

uint64_t RecycleBinItems() {
  SHQUERYRBINFO info = {};
  info.cbSize = sizeof(info);
  return SUCCEEDED(::SHQueryRecycleBinW(nullptr, &info)) ? static_cast<uint64_t>(info.i64NumItems) : ~0ull;
}

void SweepEverythingAndCheck(int version) {
  ClearAllLocations(version);
  std::vector<Expected> expected;
  std::vector<std::wstring> sentinels;
  for (const CategoryCase& c : AllCases()) {
    expected.push_back(c.seed(version));
    for (const std::wstring& root : c.roots(version)) {
      sentinels.push_back(SentinelFor(root, L"purlo-sentinel-"));
      WriteFile(sentinels.back(), 9);
    }
  }
  CliOutput out = RunCli(L"sweep --all --yes --json");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  EXPECT_EQ(run.run, L"sweep");
  // After the seeded ones, the clean-up handler categories --all takes: the
  // sandbox registers no handler.
  ASSERT_GE(run.categories.size(), AllCases().size());
  for (size_t i = AllCases().size(); i < run.categories.size(); ++i) {
    EXPECT_EQ(run.categories[i].status, L"no handler") << Narrow(run.categories[i].id);
  }
  uint64_t bytes = 0;
  for (size_t i = 0; i < AllCases().size(); ++i) {
    const CategoryCase& c = AllCases()[i];
    const JsonCategory& got = run.categories[i];
    EXPECT_EQ(got.id, c.id);
    EXPECT_EQ(got.label, SweepLabel(c.id, expected[i].label));
    EXPECT_EQ(got.items, expected[i].items) << Narrow(c.id);
    EXPECT_EQ(got.bytes, expected[i].bytes) << Narrow(c.id);
    EXPECT_TRUE(got.failed.empty()) << Narrow(c.id) << ": " << Narrow(got.failed.empty() ? L"" : got.failed[0]);
    bytes += got.bytes;
    // QqPlayerHistory's second and third roots lie inside its first, and the
    // Recent folder's jump lists are the user's pins: they stay.
    const std::vector<std::wstring> kept = NestedRoots(c, version);
    for (const std::wstring& path : kept) EXPECT_TRUE(Exists(path)) << Narrow(c.id) << " removed " << Narrow(path);
    for (const std::wstring& root : c.roots(version)) {
      EXPECT_TRUE(IsEmptyFolder(root, kept)) << Narrow(c.id) << " left something in " << Narrow(root);
      EXPECT_TRUE(Exists(root)) << Narrow(c.id) << " removed its root " << Narrow(root);
    }
  }
  for (const std::wstring& sentinel : sentinels) EXPECT_EQ(FileSize(sentinel), 9u) << Narrow(sentinel);
  EXPECT_EQ(RecycleBinItems(), 0u);
  // History keys: values gone, keys and their subkeys kept.
  for (const wchar_t* key : {L"Software\\Microsoft\\Internet Explorer\\TypedURLs",
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU",
                             L"Software\\Microsoft\\Search Assistant\\ACMru\\5603",
                             L"Software\\baidu\\BaiduToolbar\\History",
                             version == 5 ? L"Software\\Tencent\\QQToolbar\\History"
                                          : L"Software\\AppDataLow\\Tencent\\QQToolbar\\History"}) {
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key)) << Narrow(key);
    EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, key), 0u) << Narrow(key);
    EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, std::wstring(key) + L"\\Keep"), 1u) << Narrow(key);
  }
  // Single files: only the named one goes.
  const std::wstring appData = Expand(L"%APPDATA%");
  EXPECT_TRUE(Exists(appData + L"\\Mozilla\\Firefox\\Profiles\\aaaa.work\\places.sqlite"));
  EXPECT_FALSE(Exists(appData + L"\\Mozilla\\Firefox\\Profiles\\bbbb.default\\places.sqlite"));
  EXPECT_TRUE(Exists(L"C:\\Maxthon2\\SharedAccount\\Data\\other.dat"));
  EXPECT_FALSE(Exists(L"C:\\Maxthon2\\SharedAccount\\Data\\history2.dat"));
  EXPECT_TRUE(Exists(L"C:\\Storm\\Storm.exe"));
  EXPECT_TRUE(Exists(L"C:\\TheWorld"));
  if (version == 5) {
    EXPECT_TRUE(Exists(SpecialFolder(CSIDL_APPDATA) + L"\\Tencent\\QQPlayer\\other.qpl"));
  }
  char summary[160];
  snprintf(summary, sizeof summary, "已经成功清理选中的文件，为您节省了%0.3fMB的磁盘空间。", bytes / 1048576.0);
  EXPECT_GE(bytes, 1048576u);
  EXPECT_EQ(Narrow(run.summary), summary);
  for (const std::wstring& sentinel : sentinels) ::DeleteFileW(sentinel.c_str());
}

}  // namespace

TEST(SweepCli, EveryCategoryDeletesItsJunkAndNothingElse) {
  ASSERT_EQ(Version(), 6);
  SweepEverythingAndCheck(6);
}

TEST(SweepCliXp, EveryCategoryDeletesItsJunkAndNothingElse) {
  ASSERT_EQ(Version(), 5) << "this case must run in the Windows XP prefix";
  SweepEverythingAndCheck(5);
}

TEST(SweepCli, SweepAfterScanReportsWhatTheScanFound) {
  const int version = Version();
  ClearAllLocations(version);
  for (const CategoryCase& c : AllCases()) c.seed(version);
  JsonRun scan = ParseRun(RunCli(L"scan --all --json").out);
  JsonRun sweep = ParseRun(RunCli(L"sweep --all --yes --json").out);
  ASSERT_TRUE(scan.parsed);
  ASSERT_TRUE(sweep.parsed);
  // A sweep --all leaves out what cannot be undone; everything it sweeps was scanned.
  for (const JsonCategory& swept : sweep.categories) {
    const JsonCategory* scanned = scan.Find(swept.id);
    ASSERT_NE(scanned, nullptr) << Narrow(swept.id);
    EXPECT_EQ(swept.items, scanned->items) << Narrow(swept.id);
    EXPECT_EQ(swept.bytes, scanned->bytes) << Narrow(swept.id);
  }
  EXPECT_GE(sweep.categories.size(), AllCases().size());
}

TEST(SweepCli, WithoutYesNothingIsDeleted) {
  const CategoryCase& temp = AllCases()[0];
  temp.seed(Version());
  CliOutput out = RunCli(L"sweep SystemTemp");
  EXPECT_EQ(out.exitCode, 2);
  EXPECT_NE(out.err.find("--yes"), std::string::npos) << out.err;
  EXPECT_TRUE(out.out.empty());
  EXPECT_EQ(FileSize(TempPath() + L"sub\\b.tmp"), 200u);
}

TEST(SweepCli, PrintsEachLabelThenTheSummary) {
  AllCases()[1].seed(Version());  // Prefetch: 2 files, 1536 bytes
  CliOutput out = RunCli(L"sweep Prefetch --yes");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  EXPECT_EQ(out.out, "系统预读文件(清理2个文件,1.500KB)\n已经成功清理选中的文件，为您节省了1.500KB的磁盘空间。\n");
}

TEST(SweepCli, LockedFilesAreListedAsFailed) {
  const std::wstring prefetch = SpecialFolder(CSIDL_WINDOWS) + L"\\Prefetch";
  AllCases()[1].seed(Version());
  win::UniqueFile hold(::CreateFileW((prefetch + L"\\B.pf").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(hold.Valid());
  JsonRun run = ParseRun(RunCli(L"sweep Prefetch --yes --json").out);
  ASSERT_TRUE(run.parsed);
  ASSERT_EQ(run.categories.size(), 1u);
  EXPECT_EQ(run.categories[0].label, L"系统预读文件(清理1个文件,1.000KB)");
  EXPECT_EQ(run.categories[0].failed, std::vector<std::wstring>{prefetch + L"\\B.pf"});
  EXPECT_TRUE(Exists(prefetch + L"\\B.pf"));
}

// C:\links\sweepcli\data holds junk and links to canaries outside it; TheWorld's
// install path points there, so its root is that folder.
TEST(SweepCli, LinksInARootLeaveTheirTargetsAlone) {
  const std::wstring c = L"C:\\links\\sweepcli";
  ASSERT_TRUE(Exists(c + L"\\data\\junk.txt")) << "link fixtures missing: run through ctest";
  const wchar_t* key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  SetString(HKEY_LOCAL_MACHINE, key, L"Path", c);
  JsonRun run = ParseRun(RunCli(L"sweep TheWorldHistory --yes --json").out);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  ASSERT_TRUE(run.parsed);
  ASSERT_EQ(run.categories.size(), 1u);
  EXPECT_EQ(run.categories[0].label, L"世界之窗浏览记录(清理2个文件,24.000B)");
  EXPECT_EQ(ReadAll(c + L"\\outside\\canary.txt"), "canary file, 24 bytes..\n");
  EXPECT_EQ(ReadAll(c + L"\\outside\\canarydir\\inner.txt"), "canary in a folder, 31 bytes..\n");
  EXPECT_TRUE(Exists(c + L"\\outside\\emptydir"));
  EXPECT_TRUE(Exists(c + L"\\data"));
}

// Empty registry values must not turn into paths at the root of the current
// drive ("\data", "\SharedAccount\...", "\playlist.smpl").
TEST(SweepCli, EmptyRegistryValuesNameNothing) {
  const wchar_t* theWorld = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";
  DeleteKeyTree(HKEY_LOCAL_MACHINE, theWorld);
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Maxthon2");
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\storm");
  SetString(HKEY_LOCAL_MACHINE, theWorld, L"Path", L"");
  SetString(HKEY_CURRENT_USER, L"Software\\Maxthon2", L"Folder", L"");
  SetString(HKEY_CURRENT_USER, L"Software\\storm", L"exepath", L"");
  EmptyFolder(SpecialFolder(CSIDL_COMMON_APPDATA) + L"\\Storm");  // Storm's other two roots: nothing there
  WriteFile(L"C:\\data\\canary.txt", 5);
  WriteFile(L"C:\\SharedAccount\\Data\\history2.dat", 6);
  WriteFile(L"C:\\playlist.smpl", 7);
  WriteFile(L"C:\\purlo\\playlist.smpl", 8);  // the current folder of the run
  JsonRun run = ParseRun(RunCli(L"sweep --yes --json TheWorldHistory MaxthonHistory StormPlayerHistory").out);
  ASSERT_TRUE(run.parsed);
  ASSERT_EQ(run.categories.size(), 3u);
  for (const JsonCategory& c : run.categories) EXPECT_EQ(c.items, 0u) << Narrow(c.id);
  EXPECT_EQ(FileSize(L"C:\\data\\canary.txt"), 5u);
  EXPECT_EQ(FileSize(L"C:\\SharedAccount\\Data\\history2.dat"), 6u);
  EXPECT_EQ(FileSize(L"C:\\playlist.smpl"), 7u);
  EXPECT_EQ(FileSize(L"C:\\purlo\\playlist.smpl"), 8u);
  RemoveTree(L"C:\\data");
  RemoveTree(L"C:\\SharedAccount");
  ::DeleteFileW(L"C:\\playlist.smpl");
  ::DeleteFileW(L"C:\\purlo\\playlist.smpl");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, theWorld);
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Maxthon2");
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\storm");
}

// Another run (here: this process) holds the machine's run lock, or another
// program squats its name with a mutex, an event or a semaphore: the sweep
// does not start, says so in one line and touches nothing. Under Wine the
// lock's name is the global one.
TEST(SweepCli, ASweepWhileAnotherRunHoldsTheLockDoesNotStart) {
  AllCases()[1].seed(Version());  // Prefetch: 2 files, 1536 bytes
  const std::wstring prefetch = SpecialFolder(CSIDL_WINDOWS) + L"\\Prefetch";
  ASSERT_EQ(purlo::PlaceOfRunLock(purlo::SystemRunLockCalls()), purlo::RunLockPlace::Global);
  const std::wstring name = std::wstring(L"Global\\") + purlo::kRunLockName;
  enum class Holder { AnotherRun, Mutex, Event, Semaphore };
  const char* const names[] = {"another run", "a mutex", "an event", "a semaphore"};
  for (Holder kind : {Holder::AnotherRun, Holder::Mutex, Holder::Event, Holder::Semaphore}) {
    const char* const what = names[static_cast<int>(kind)];
    purlo::RunLock other;
    win::UniqueKernel squatter;
    switch (kind) {
      case Holder::AnotherRun: ASSERT_TRUE(other.Take()); break;
      case Holder::Mutex: squatter.Reset(::CreateMutexW(nullptr, TRUE, name.c_str())); break;
      case Holder::Event: squatter.Reset(::CreateEventW(nullptr, TRUE, FALSE, name.c_str())); break;
      case Holder::Semaphore: squatter.Reset(::CreateSemaphoreW(nullptr, 1, 1, name.c_str())); break;
    }
    ASSERT_TRUE(other.Held() || squatter.Valid()) << what;
    CliOutput out = RunCli(L"sweep Prefetch --yes --json");
    EXPECT_EQ(out.exitCode, 1) << what;
    EXPECT_TRUE(out.out.empty()) << what << ": " << out.out;
    EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << what << ": " << out.err;
    EXPECT_NE(out.err.find("another scan or sweep is running"), std::string::npos) << what << ": " << out.err;
    EXPECT_NE(out.err.find(Narrow(purlo::texts::kAnotherRunHoldsTheLock)), std::string::npos) << what << ": " << out.err;
    EXPECT_EQ(FileSize(prefetch + L"\\APP.EXE-1234.pf"), 1024u) << what;
    EXPECT_EQ(FileSize(prefetch + L"\\B.pf"), 512u) << what;
  }
  CliOutput out = RunCli(L"sweep Prefetch --yes");
  EXPECT_EQ(out.exitCode, 0) << out.err;
  EXPECT_FALSE(Exists(prefetch + L"\\B.pf"));
}

// Two processes sweeping the same folder at once: the run lock lets one of
// them work, so each file is counted once.
TEST(SweepCli, TwoSweepsAtOnceRemoveEachFileOnce) {
  ClearAllLocations(Version());
  const std::wstring race = TempPath() + L"race";
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i) WriteFile(race + L"\\f" + std::to_wstring(i) + L".tmp", 1);
  const std::vector<CliOutput> outs =
      RunClisAtOnce({L"sweep SystemTemp --yes --json", L"sweep SystemTemp --yes --json"});
  uint64_t removed = 0;
  int refused = 0;
  for (const CliOutput& out : outs) {
    if (out.exitCode == 1) {
      ++refused;
      EXPECT_NE(out.err.find("another scan or sweep is running"), std::string::npos) << out.err;
      continue;
    }
    ASSERT_EQ(out.exitCode, 0) << out.err;
    JsonRun run = ParseRun(out.out);
    ASSERT_TRUE(run.parsed) << out.out;
    removed += run.categories.at(0).items;
  }
  EXPECT_LE(refused, 1);
  EXPECT_EQ(removed, static_cast<uint64_t>(kFiles));
  EXPECT_TRUE(IsEmptyFolder(TempFolder()));
}

namespace {

void EmptySmallDrive() {
  ::DeleteFileW(L"T:\\filler");
  ::DeleteFileW(L"T:\\probe");
  ::DeleteFileW(L"T:\\report.json");
}

}  // namespace

// The scheduled-task recipe with its report on a full disk: the sweep still
// does all its work, and the exit code and one line on stderr say the report is incomplete.
TEST(SweepCli, AReportOntoAFullDiskEndsWithExit1AfterTheWork) {
  ClearAllLocations(Version());
  for (int i = 0; i < 300; ++i) WriteFile(TempPath() + L"full\\f" + std::to_wstring(i) + L".tmp", 10);
  ASSERT_NO_FATAL_FAILURE(FillSmallDrive());
  CliOutput out = RunCliInto(L"sweep SystemTemp --yes --json", L"T:\\report.json");
  EmptySmallDrive();
  EXPECT_EQ(out.exitCode, 1);
  EXPECT_NE(out.err.find("the report could not be written completely"), std::string::npos) << out.err;
  EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
  EXPECT_TRUE(IsEmptyFolder(TempFolder())) << "the sweep did not finish its work";
}

namespace {

struct CountedName {
  USHORT Length, MaximumLength;
  PWSTR Buffer;
};
using NtSetValueKeyFn = LONG(WINAPI*)(HANDLE, CountedName*, ULONG, ULONG, void*, ULONG);

// A value whose name holds U+0000, as only the native call makes it.
void SetValueWithCountedName(HKEY root, const wchar_t* key, std::wstring name) {
  const auto setValue = reinterpret_cast<NtSetValueKeyFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtSetValueKey")));
  ASSERT_NE(setValue, nullptr);
  win::UniqueRegKey k;
  ASSERT_EQ(::RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr), ERROR_SUCCESS);
  CountedName counted{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2), &name[0]};
  DWORD data = 7;
  ASSERT_GE(setValue(k.Get(), &counted, 0, REG_DWORD, &data, sizeof data), 0);
}

}  // namespace

TEST(SweepCli, HistoryValuesWhoseNamesHoldNulAreRemovedAndCounted) {
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
  DeleteKeyTree(HKEY_CURRENT_USER, key);
  SetString(HKEY_CURRENT_USER, key, L"a", L"cmd");
  ASSERT_NO_FATAL_FAILURE(SetValueWithCountedName(HKEY_CURRENT_USER, key, std::wstring(L"a\0hidden", 8)));
  ASSERT_NO_FATAL_FAILURE(SetValueWithCountedName(HKEY_CURRENT_USER, key, std::wstring(L"\0lead", 5)));
  ASSERT_EQ(ValueCount(HKEY_CURRENT_USER, key), 3u);
  JsonRun scan = ParseRun(RunCli(L"scan --json RunHistory").out);
  ASSERT_TRUE(scan.parsed);
  ASSERT_EQ(scan.categories.at(0).items, 3u);
  CliOutput out = RunCli(L"sweep --yes --json RunHistory");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun sweep = ParseRun(out.out);
  ASSERT_TRUE(sweep.parsed);
  EXPECT_EQ(sweep.categories.at(0).items, 3u);
  EXPECT_EQ(sweep.categories.at(0).label, SweepLabel(L"RunHistory", scan.categories.at(0).label));
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, key), 0u);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key));
}

// Windows 7's layout: the cookie folder is %APPDATA%\Microsoft\Windows\Cookies
// (the user's shell-folder values say so) and Kankan's folder lies inside it.
// With both ticked, each file is counted and swept once, by its own
// category, and Kankan's folder, a root of the run, stays.
TEST(SweepCli, NestedCategoriesCountAndSweepEachFileOnce) {
  ASSERT_EQ(purlo::MajorVersionFromGetVersion(), 6);
  const std::wstring cookies = SpecialFolder(CSIDL_APPDATA) + L"\\Microsoft\\Windows\\Cookies";
  const std::wstring kankan = cookies + L"\\Low\\Thunder Network\\KanKan\\Cookie";
  std::vector<std::unique_ptr<ScopedStringValue>> values;
  for (const wchar_t* key : {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                             L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"}) {
    values.push_back(std::make_unique<ScopedStringValue>(HKEY_CURRENT_USER, key, L"Cookies", cookies));
  }
  ASSERT_EQ(SpecialFolder(CSIDL_COOKIES), cookies) << "the shell does not read the values";
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    RemoveTree(cookies);
    WriteFile(cookies + L"\\me@site[1].txt", 100);
    WriteFile(cookies + L"\\Low\\low@site[1].txt", 200);
    WriteFile(kankan + L"\\c1", 50);
    WriteFile(kankan + L"\\deep\\c2", 70);
    WriteFile(kankan + L"\\deep\\c3", 30);

    CliOutput scan = RunCli(L"scan IeCookies KankanHistory --json");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    JsonRun scanned = ParseRun(scan.out);
    ASSERT_TRUE(scanned.parsed) << scan.out;
    ASSERT_NE(scanned.Find(L"IeCookies"), nullptr);
    ASSERT_NE(scanned.Find(L"KankanHistory"), nullptr);
    EXPECT_EQ(scanned.Find(L"IeCookies")->items, 2u);
    EXPECT_EQ(scanned.Find(L"IeCookies")->bytes, 300u);
    EXPECT_EQ(scanned.Find(L"KankanHistory")->items, 3u);
    EXPECT_EQ(scanned.Find(L"KankanHistory")->bytes, 150u);
    EXPECT_EQ(scanned.summary, purlo::ScanSummary(5, 450.0));

    CliOutput sweep = RunCli(L"sweep IeCookies KankanHistory --yes --json");
    ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
    JsonRun swept = ParseRun(sweep.out);
    ASSERT_TRUE(swept.parsed) << sweep.out;
    ASSERT_NE(swept.Find(L"IeCookies"), nullptr);
    ASSERT_NE(swept.Find(L"KankanHistory"), nullptr);
    EXPECT_EQ(swept.Find(L"IeCookies")->items, 2u);
    EXPECT_EQ(swept.Find(L"IeCookies")->bytes, 300u);
    EXPECT_EQ(swept.Find(L"KankanHistory")->items, 3u);
    EXPECT_EQ(swept.Find(L"KankanHistory")->bytes, 150u);
    EXPECT_TRUE(swept.Find(L"IeCookies")->failed.empty());
    EXPECT_TRUE(swept.Find(L"KankanHistory")->failed.empty());
    EXPECT_EQ(swept.summary, purlo::SweepSummary(450.0));
    EXPECT_TRUE(Exists(kankan));
    EXPECT_FALSE(Exists(kankan + L"\\deep"));
    EXPECT_FALSE(Exists(kankan + L"\\c1"));
    EXPECT_FALSE(Exists(cookies + L"\\Low\\low@site[1].txt"));
  }
  RemoveTree(cookies);
}

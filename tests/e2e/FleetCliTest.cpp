// purlo-cli as fleet tools run it: exit codes that tell the outcome, the
// report into a file, --quiet, the age limit and the keep list.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <map>

#include "engine/core/Paths.h"
#include "engine/core/RunState.h"
#include "res/version.h"
#include "tests/e2e/Seeds.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Safety.h"
#include "win/Handles.h"
#include "win/Text.h"

using namespace testing_support;

namespace {

const wchar_t kTheWorld[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";

void UseTheWorldPath(const std::wstring& path) {
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
  SetString(HKEY_LOCAL_MACHINE, kTheWorld, L"Path", path);
}

void UseMaxthonFolder(const std::wstring& folder) {
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Maxthon2");
  SetString(HKEY_CURRENT_USER, L"Software\\Maxthon2", L"Folder", folder);
}

std::map<std::wstring, uint64_t> Listed(const JsonCategory& c) {
  std::map<std::wstring, uint64_t> files;
  for (const JsonFile& f : c.files) files[f.path] = f.bytes;
  return files;
}

// The one category of a --json run; fatal failures when the run went wrong.
void RunOne(const std::wstring& arguments, int exitCode, JsonCategory& category) {
  CliOutput out = RunCli(arguments);
  ASSERT_EQ(out.exitCode, exitCode) << Narrow(arguments) << "\n" << out.err;
  EXPECT_EQ(out.err, "") << Narrow(arguments);
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  ASSERT_EQ(run.categories.size(), 1u) << out.out;
  category = run.categories[0];
}

// Names in T:\ besides the filler.
std::vector<std::wstring> SmallDriveFiles() {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW(L"T:\\*", &entry));
  if (!listing) return names;
  do {
    const std::wstring name = entry.cFileName;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name != L"filler") names.push_back(name);
  } while (::FindNextFileW(listing.Get(), &entry));
  std::sort(names.begin(), names.end());
  return names;
}

// purlo-cli started suspended: `beforeItRuns` learns its process id while it
// has done nothing yet.
CliOutput RunCliKnowingItsId(const std::wstring& arguments, const std::function<void(DWORD)>& beforeItRuns) {
  const std::wstring folder = L"C:\\purlo-tests\\cli-output";
  MakeFolders(folder);
  const std::wstring outPath = folder + L"\\out-suspended.txt", errPath = folder + L"\\err-suspended.txt";
  CliOutput result;
  {
    win::UniqueFile out = InheritableOutput(outPath);
    win::UniqueFile err = InheritableOutput(errPath);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.Get();
    si.hStdError = err.Get();
    PROCESS_INFORMATION pi = {};
    std::wstring commandLine = L"\"" + std::wstring(kCliProgram) + L"\" " + arguments;
    if (!::CreateProcessW(kCliProgram, &commandLine[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, kCliFolder,
                          &si, &pi)) {
      result.err = "purlo-cli.exe could not be started";
      return result;
    }
    win::UniqueKernel process(pi.hProcess), thread(pi.hThread);
    beforeItRuns(pi.dwProcessId);
    ::ResumeThread(thread.Get());
    ::WaitForSingleObject(process.Get(), 120000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    result.exitCode = static_cast<int>(code);
  }
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

}  // namespace

// 0, 3, 1 and 2 produced for real (130: ConsoleCli's Ctrl+C case).
TEST(FleetCli, ExitCodesTellTheOutcome) {
  const std::wstring prefetch = SpecialFolder(CSIDL_WINDOWS) + L"\\Prefetch";
  AllCases()[1].seed(purlo::MajorVersionFromGetVersion());  // Prefetch: APP.EXE-1234.pf and B.pf
  JsonCategory c;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan Prefetch --json", 0, c));
  EXPECT_EQ(c.items, 2u);
  {
    // Held without delete sharing: the sweep runs to its end, one file stays.
    win::UniqueFile hold(::CreateFileW((prefetch + L"\\B.pf").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(hold.Valid());
    ASSERT_NO_FATAL_FAILURE(RunOne(L"sweep Prefetch --yes --json --quiet", 3, c));
    EXPECT_EQ(c.items, 1u);
    EXPECT_EQ(c.failed, std::vector<std::wstring>{prefetch + L"\\B.pf"});
    // A scan meanwhile measures; what it cannot reach is no failure of its own.
    ASSERT_NO_FATAL_FAILURE(RunOne(L"scan Prefetch --json", 0, c));
  }
  ASSERT_NO_FATAL_FAILURE(RunOne(L"sweep Prefetch --yes --json", 0, c));
  EXPECT_EQ(c.items, 1u);

  // Usage: nothing runs, the reason and the usage on stderr.
  AllCases()[1].seed(purlo::MajorVersionFromGetVersion());
  for (const wchar_t* usage : {L"sweep Prefetch --yes --older-than 7", L"sweep Prefetch --yes --older-than 0d",
                               L"sweep Prefetch --yes --older-than 7w", L"sweep Prefetch --yes --older-than -1d",
                               L"sweep Prefetch --yes --output", L"sweep Prefetch --yes --keep",
                               L"sweep Prefetch --yes --keep-from C:\\purlo-tests\\no-such-list.txt"}) {
    CliOutput out = RunCli(usage);
    EXPECT_EQ(out.exitCode, 2) << Narrow(usage);
    EXPECT_NE(out.err.find("usage:"), std::string::npos) << Narrow(usage);
  }
  EXPECT_EQ(FileSize(prefetch + L"\\B.pf"), 512u);
  // The version an inventory script reads, from the same place as the resources'.
  CliOutput version = RunCli(L"--version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "purlo-cli " PURLO_VERSION_TEXT "\n");
  EXPECT_EQ(version.err, "");
  EXPECT_EQ(RunCli(L"--version --json").exitCode, 2);

  // --output: the document goes to the file, nothing to standard output, no
  // temporary file stays beside it.
  ::DeleteFileW(L"T:\\report.json");
  CliOutput out = RunCli(L"scan Prefetch --json --quiet --output T:\\report.json");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  EXPECT_EQ(out.out, "");
  EXPECT_EQ(out.err, "");
  const std::string previous = ReadAll(L"T:\\report.json");
  JsonRun report = ParseRun(previous);
  ASSERT_TRUE(report.parsed) << previous;
  EXPECT_EQ(report.categories.at(0).items, 2u);
  EXPECT_EQ(SmallDriveFiles(), std::vector<std::wstring>{L"report.json"});

  // Temporary files that killed runs of this very process id left, under the
  // names it would try first: left alone, and the run goes on.
  std::vector<std::wstring> stale;
  out = RunCliKnowingItsId(L"scan Prefetch --json --quiet --output T:\\report.json", [&](DWORD pid) {
    for (const wchar_t* suffix : {L".tmp", L".0.tmp", L".1.tmp"}) {
      stale.push_back(L"report.json." + std::to_wstring(pid) + suffix);
      WriteFile(L"T:\\" + stale.back(), 3);
    }
  });
  EXPECT_EQ(out.exitCode, 0) << out.err;
  EXPECT_EQ(out.err, "");
  EXPECT_TRUE(ParseRun(ReadAll(L"T:\\report.json")).parsed);
  std::vector<std::wstring> expectedFiles = stale;
  expectedFiles.push_back(L"report.json");
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(SmallDriveFiles(), expectedFiles);
  for (const std::wstring& name : stale) EXPECT_EQ(FileSize(L"T:\\" + name), 3u) << Narrow(name);
  for (const std::wstring& name : stale) ::DeleteFileW((L"T:\\" + name).c_str());

  // The disk of the report full: the sweep does its work, the previous report
  // stays whole, exit 1 with one line on stderr, even with --quiet.
  ASSERT_NO_FATAL_FAILURE(FillSmallDrive());
  out = RunCli(L"sweep Prefetch --yes --json --quiet --output T:\\report.json");
  const std::vector<std::wstring> left = SmallDriveFiles();
  const std::string after = ReadAll(L"T:\\report.json");
  ::DeleteFileW(L"T:\\filler");
  EXPECT_EQ(out.exitCode, 1);
  EXPECT_EQ(std::count(out.err.begin(), out.err.end(), '\n'), 1) << out.err;
  EXPECT_NE(out.err.find("T:\\report.json was left as it was"), std::string::npos) << out.err;
  EXPECT_EQ(after, previous);
  EXPECT_EQ(left, std::vector<std::wstring>{L"report.json"});
  EXPECT_FALSE(Exists(prefetch + L"\\B.pf")) << "the sweep did not finish its work";
  ::DeleteFileW(L"T:\\report.json");
}

// A root refused (TheWorld's data is a link to the Windows folder): with
// --quiet nothing reaches stderr; the refusal is in the report.
TEST(FleetCli, QuietPutsRefusedRootsIntoTheReportOnly) {
  ASSERT_TRUE(Exists(L"C:\\links\\protected\\windows\\data")) << "link fixtures missing: run through ctest";
  UseTheWorldPath(L"C:\\links\\protected\\windows");
  const std::wstring root = L"C:\\links\\protected\\windows\\data";
  JsonCategory c;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan TheWorldHistory --json --quiet", 0, c));
  ASSERT_EQ(c.refused.size(), 1u);
  EXPECT_EQ(c.refused[0].path, root);
  EXPECT_EQ(c.refused[0].why, L"protected");
  ASSERT_NO_FATAL_FAILURE(RunOne(L"sweep TheWorldHistory --yes --json --quiet", 3, c));
  ASSERT_EQ(c.refused.size(), 1u);
  EXPECT_EQ(c.refused[0].path, root);
  EXPECT_EQ(c.items, 0u);
  // As text, the refusal is a line of the report.
  CliOutput text = RunCli(L"sweep TheWorldHistory --yes --quiet");
  EXPECT_EQ(text.exitCode, 3);
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(text.out.rfind(Narrow(L"purlo-cli: TheWorldHistory: root refused (protected): " + root + L"\n"), 0), 0u) << text.out;
  // Without --quiet it goes to stderr, and the document carries it all the same.
  CliOutput loud = RunCli(L"scan TheWorldHistory --json");
  EXPECT_NE(loud.err.find("root refused"), std::string::npos);
  EXPECT_EQ(ParseRun(loud.out).categories.at(0).refused.size(), 1u);
  EXPECT_TRUE(Exists(SpecialFolder(CSIDL_SYSTEM) + L"\\kernel32.dll"));
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
}

// Dated from Linux by touch -d (tests/prepare_sandbox.sh): 10 and 30 days old,
// 6 days old, and new. The scan and the sweep agree on exactly the old ones.
TEST(FleetCli, OlderThanKeepsExactlyTheYoungFiles) {
  const std::wstring root = L"C:\\fleet\\age\\data";
  ASSERT_TRUE(Exists(root + L"\\old.txt")) << "dated fixtures missing: run through ctest";
  UseTheWorldPath(L"C:\\fleet\\age");
  const std::map<std::wstring, uint64_t> old = {{root + L"\\old.txt", 5}, {root + L"\\sub\\older.log", 7}};
  JsonCategory scanned;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan TheWorldHistory --json --files --older-than 7d", 0, scanned));
  EXPECT_EQ(Listed(scanned), old);
  EXPECT_EQ(scanned.items, 2u);
  EXPECT_EQ(scanned.bytes, 12u);
  EXPECT_EQ(scanned.kept, 3u);
  EXPECT_EQ(scanned.keptBytes, 41u);  // young.txt, young2.tmp, six-days.tmp
  // Hours and minutes: six days are 144 hours.
  JsonCategory byHours;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan TheWorldHistory --json --older-than 143h", 0, byHours));
  EXPECT_EQ(byHours.items, 3u);
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan TheWorldHistory --json --older-than 8700m", 0, byHours));
  EXPECT_EQ(byHours.items, 2u);

  // Single files too: an old history file counts, a new one is kept.
  UseMaxthonFolder(L"C:\\fleet\\maxthon-old");
  JsonCategory single;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan MaxthonHistory --json --older-than 7d", 0, single));
  EXPECT_EQ(single.items, 1u);
  WriteFile(L"C:\\fleet\\maxthon-new\\SharedAccount\\Data\\history2.dat", 23);
  UseMaxthonFolder(L"C:\\fleet\\maxthon-new");
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan MaxthonHistory --json --older-than 7d", 0, single));
  EXPECT_EQ(single.items, 0u);
  EXPECT_EQ(single.kept, 1u);
  EXPECT_EQ(single.keptBytes, 23u);
  ASSERT_NO_FATAL_FAILURE(RunOne(L"sweep MaxthonHistory --yes --json --older-than 7d", 0, single));
  EXPECT_EQ(single.items, 0u);
  EXPECT_EQ(single.kept, 1u);
  EXPECT_EQ(FileSize(L"C:\\fleet\\maxthon-new\\SharedAccount\\Data\\history2.dat"), 23u);
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Maxthon2");

  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"sweep TheWorldHistory --yes --json --older-than 7d", 0, swept));
  EXPECT_EQ(swept.items, scanned.items);
  EXPECT_EQ(swept.bytes, scanned.bytes);
  EXPECT_EQ(swept.kept, scanned.kept);
  EXPECT_EQ(swept.keptBytes, scanned.keptBytes);
  for (const auto& f : old) EXPECT_FALSE(Exists(f.first)) << Narrow(f.first);
  EXPECT_EQ(FileSize(root + L"\\young.txt"), 11u);
  EXPECT_EQ(FileSize(root + L"\\sub\\young2.tmp"), 13u);
  EXPECT_EQ(FileSize(root + L"\\six-days.tmp"), 17u);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
}

// Whole components, any case, * and ?, environment references, a list file
// with comments: what matches is neither counted nor swept, a matching folder
// is not entered (its files are neither counted nor kept), and a name that
// merely contains a pattern is not kept.
TEST(FleetCli, KeepPatternsKeepExactlyTheirMatches) {
  const std::wstring base = L"C:\\fleet\\keep";
  const std::wstring root = base + L"\\data";
  RemoveTree(base);
  const std::map<std::wstring, uint64_t> junk = {
      {root + L"\\mykeep-me.txt", 7}, {root + L"\\keep-me.bak", 9}, {root + L"\\plain.tmp", 23}};
  const std::map<std::wstring, uint64_t> kept = {{root + L"\\sub\\keep-me", 5},
                                                 {root + L"\\anchored.log", 13},
                                                 {root + L"\\notes.KEEPME", 17},
                                                 {root + L"\\keep-me\\inner.txt", 3},
                                                 {root + L"\\proj\\.git\\config", 11}};
  for (const auto& f : junk) WriteFile(f.first, f.second);
  for (const auto& f : kept) WriteFile(f.first, f.second);
  const std::wstring list = L"C:\\purlo-tests\\keep-list.txt";
  {
    win::UniqueFile file(::CreateFileW(list.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    const std::string text = "# the list\r\n# keep-me.bak\r\n\r\n  *.keepme  \r\n*\\.GIT\n";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  }
  ASSERT_TRUE(::SetEnvironmentVariableW(L"PURLO_FLEET", base.c_str()));  // purlo-cli inherits it
  UseTheWorldPath(base);
  const std::wstring keep =
      L" --keep keep-me --keep %PURLO_FLEET%\\DATA\\anch??ed.* --keep-from " + list;
  JsonCategory scanned;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"scan TheWorldHistory --json --files" + keep, 0, scanned));
  EXPECT_EQ(Listed(scanned), junk);
  EXPECT_EQ(scanned.kept, 3u);  // the three files; the two kept folders are not entered
  EXPECT_EQ(scanned.keptBytes, 35u);
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(RunOne(L"sweep TheWorldHistory --yes --json" + keep, 0, swept));
  EXPECT_EQ(swept.items, 3u);
  EXPECT_EQ(swept.bytes, 39u);
  EXPECT_EQ(swept.kept, scanned.kept);
  EXPECT_EQ(swept.keptBytes, scanned.keptBytes);
  for (const auto& f : junk) EXPECT_FALSE(Exists(f.first)) << Narrow(f.first);
  for (const auto& f : kept) EXPECT_EQ(FileSize(f.first), f.second) << Narrow(f.first);
  ::SetEnvironmentVariableW(L"PURLO_FLEET", nullptr);
  ::DeleteFileW(list.c_str());
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
}

// One file, 23 spellings of a pattern for it: each spelling Windows reads as
// the file's path keeps it (and only it); one that names no file or folder is
// a usage error before anything runs.
TEST(FleetCli, KeepPatternsHoldInEverySpellingOfTheirPath) {
  const std::wstring base = L"C:\\fleet\\spellings";
  const std::wstring root = base + L"\\data";
  const std::wstring keep = root + L"\\keep.txt";
  const std::wstring longName = root + L"\\keep-a-long-name.txt";
  const std::wstring junk = root + L"\\junk.tmp";
  RemoveTree(base);
  WriteFile(keep, 5);
  WriteFile(longName, 7);
  wchar_t shortPath[MAX_PATH] = {};
  ASSERT_GT(::GetShortPathNameW(longName.c_str(), shortPath, MAX_PATH), 0u);
  const std::wstring shortName = std::wstring(shortPath).substr(std::wstring(shortPath).rfind(L'\\') + 1);
  ASSERT_GT(::GetShortPathNameW(base.c_str(), shortPath, MAX_PATH), 0u);
  const std::wstring shortBase = shortPath;
  ASSERT_NE(win::ToUpper(shortName), L"KEEP-A-LONG-NAME.TXT");
  ASSERT_NE(win::ToUpper(shortBase), win::ToUpper(base));
  wchar_t computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD computerLength = MAX_COMPUTERNAME_LENGTH + 1;
  ASSERT_TRUE(::GetComputerNameW(computer, &computerLength));
  UseTheWorldPath(base);

  const std::wstring tail = L"\\fleet\\spellings\\data\\keep.txt";
  struct Spelling {
    std::wstring pattern;
    const std::wstring* kept;  // null: a usage error
  };
  const std::vector<Spelling> spellings = {
      {keep, &keep},
      {L"c:/FLEET/spellings/data/Keep.txt", &keep},
      {L"C:\\fleet\\\\spellings\\\\\\data\\keep.txt", &keep},
      {L"C:\\fleet\\.\\spellings\\data\\.\\keep.txt", &keep},
      {root + L"\\sub\\..\\keep.txt", &keep},
      {L"C:\\..\\..\\fleet\\other\\..\\spellings\\data\\keep.txt", &keep},
      {L"\\\\?\\" + keep, &keep},
      {L"\\\\.\\" + keep, &keep},
      {L"\\\\?\\UNC\\localhost\\c$" + tail, &keep},
      {L"\\\\LOCALHOST\\C$" + tail, &keep},
      {L"\\\\127.0.0.1\\c$" + tail, &keep},
      {L"\\\\" + std::wstring(computer) + L"\\c$" + tail, &keep},
      {keep + L".", &keep},
      {keep + L" ", &keep},
      {keep + L"::$DATA", &keep},
      {L"keep.txt. ", &keep},
      {shortBase + L"\\data\\keep.txt", &keep},
      {root + L"\\" + shortName, &longName},
      {shortName, &longName},
      {L"..", nullptr},
      {keep + L":stream", nullptr},
      {keep + L":stream:$DATA", nullptr},
      {L"\\\\.\\PhysicalDrive0", nullptr},
  };
  ASSERT_EQ(spellings.size(), 23u);
  for (const Spelling& spelling : spellings) {
    WriteFile(keep, 5);
    WriteFile(longName, 7);
    WriteFile(junk, 11);
    const std::string what = Narrow(spelling.pattern);
    CliOutput out = RunCli(L"sweep TheWorldHistory --yes --json --quiet --keep \"" + spelling.pattern + L"\"");
    if (spelling.kept == nullptr) {
      EXPECT_EQ(out.exitCode, 2) << what;
      EXPECT_NE(out.err.find("--keep pattern names no file or folder"), std::string::npos) << what << ": " << out.err;
      EXPECT_NE(out.err.find(what), std::string::npos) << what << ": " << out.err;
      EXPECT_TRUE(Exists(junk)) << what << ": the sweep ran";
      continue;
    }
    EXPECT_EQ(out.exitCode, 0) << what << ": " << out.err;
    EXPECT_EQ(FileSize(*spelling.kept), spelling.kept == &keep ? 5u : 7u) << what << ": not kept";
    EXPECT_NE(Exists(keep), Exists(longName)) << what << ": both files kept, or neither";
    EXPECT_FALSE(Exists(junk)) << what;
  }
  RemoveTree(base);
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
}

// ---------------------------------------------------------------- users

namespace {

const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t kTypedUrls[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
const std::wstring kAnnSid = L"S-1-5-21-0-0-0-1101";
const std::wstring kCySid = L"S-1-5-21-0-0-0-1102";
const std::wstring kAnn = L"C:\\users\\ann";
const std::wstring kCy = L"C:\\users\\cy";

// Two profiles beside the sandbox's own user, as another logon leaves them:
// ann's hive is loaded under HKEY_USERS, cy's is not. Neither account can be
// looked up, so their folders' names stand for them. All gone at the end.
class TwoMoreProfiles {
 public:
  TwoMoreProfiles() {
    for (const auto& [sid, folder] : {std::make_pair(kAnnSid, kAnn), std::make_pair(kCySid, kCy)}) {
      RemoveTree(folder);
      MakeFolders(folder + L"\\AppData\\Local\\Microsoft\\Windows\\INetCache");
      SetString(HKEY_LOCAL_MACHINE, std::wstring(kProfileList) + L"\\" + sid, L"ProfileImagePath", folder);
    }
    DeleteKeyTree(HKEY_USERS, kAnnSid);
    DeleteKeyTree(HKEY_USERS, kCySid);
    SetString(HKEY_USERS, kAnnSid + L"\\Environment", L"TEMP", L"%USERPROFILE%\\AppData\\Local\\Temp");
    SetString(HKEY_USERS, kAnnSid + L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
              L"Cache", L"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\INetCache");
    SetString(HKEY_USERS, kAnnSid + L"\\Software\\PurloCanary", L"keep", L"me");
  }
  ~TwoMoreProfiles() {
    for (const std::wstring& sid : {kAnnSid, kCySid}) {
      DeleteKeyTree(HKEY_LOCAL_MACHINE, std::wstring(kProfileList) + L"\\" + sid);
      DeleteKeyTree(HKEY_USERS, sid);
    }
    RemoveTree(kAnn);
    RemoveTree(kCy);
  }
};

// Each profile's junk: a temporary file, a cached file, a recent document.
std::vector<std::wstring> SeedJunk(const std::wstring& profile, const std::wstring& temp) {
  const std::vector<std::wstring> junk = {temp + L"\\purlo-fleet.tmp",
                                          profile + L"\\AppData\\Local\\Microsoft\\Windows\\INetCache\\x\\cache.dat",
                                          profile + L"\\Recent\\doc.lnk"};
  for (const std::wstring& file : junk) WriteFile(file, 31);
  return junk;
}

// What no category of a user may touch.
std::vector<std::wstring> SeedCanaries(const std::wstring& profile) {
  const std::vector<std::wstring> canaries = {profile + L"\\canary.txt", profile + L"\\AppData\\Roaming\\canary.txt",
                                              profile + L"\\AppData\\Local\\canary.txt",
                                              profile + L"\\AppData\\Roaming\\Real\\RealPlayer\\History\\h.rpl",
                                              profile + L"\\Documents\\canary.txt"};
  for (const std::wstring& file : canaries) WriteFile(file, 11);
  return canaries;
}

void SeedTypedUrls(HKEY root, const std::wstring& key, int count) {
  DeleteKeyTree(root, key);
  for (int i = 1; i <= count; ++i) SetString(root, key, L"url" + std::to_wstring(i), L"http://example.com/");
}

const JsonUser* UserOf(const JsonRun& run, const std::wstring& sid) {
  for (const JsonUser& user : run.users) {
    if (user.sid == sid) return &user;
  }
  return nullptr;
}

std::vector<std::wstring> Ids(const std::vector<JsonCategory>& categories) {
  std::vector<std::wstring> ids;
  for (const JsonCategory& c : categories) ids.push_back(c.id);
  return ids;
}

}  // namespace

// Three profiles in ProfileList: --all-users empties each one's junk and
// nothing else, the machine's categories once; the unloaded hive's registry
// category says so; --user takes just the one; the environment's word for
// another profile changes nothing.
TEST(FleetCli, EveryUserOrOneUserOrTheSessionsUser) {
  TwoMoreProfiles profiles;
  const std::wstring me = UserSid();
  const std::wstring myProfile = Expand(L"%USERPROFILE%");
  const std::wstring myTemp = purlo::WithoutTrailingBackslash(TempPath());

  // The session's user (the sandbox's own) is whom a plain run cleans for,
  // whatever the environment claims: a logon's environment pointing into
  // ann's profile (Volatile Environment) leaves ann's files alone.
  {
    std::vector<std::wstring> annFiles = SeedJunk(kAnn, kAnn + L"\\AppData\\Local\\Temp");
    const std::vector<std::wstring> annCanaries = SeedCanaries(kAnn);
    annFiles.insert(annFiles.end(), annCanaries.begin(), annCanaries.end());
    ScopedStringValue appData(HKEY_CURRENT_USER, L"Volatile Environment", L"APPDATA", kAnn + L"\\AppData\\Roaming");
    ScopedStringValue profile(HKEY_CURRENT_USER, L"Volatile Environment", L"USERPROFILE", kAnn);
    std::vector<wchar_t> environment = WithValue(UserEnvironmentBlock(), L"APPDATA", kAnn + L"\\AppData\\Roaming");
    environment = WithValue(environment, L"USERPROFILE", kAnn);
    environment = WithValue(environment, L"LOCALAPPDATA", kAnn + L"\\AppData\\Local");
    CliOutput out = RunCli(L"sweep RecentDocs RealPlayerHistory IeTemp --yes --json", environment.data());
    EXPECT_EQ(out.exitCode, 0) << out.err;
    JsonRun run = ParseRun(out.out);
    EXPECT_TRUE(run.parsed) << out.out;
    EXPECT_FALSE(run.hasUsers);
    for (const JsonCategory& c : run.categories) EXPECT_EQ(c.status, L"done") << Narrow(c.id);
    for (const std::wstring& file : annFiles) {
      EXPECT_TRUE(Exists(file)) << "swept through the environment: " << Narrow(file);
    }
  }

  // Every user.
  std::vector<std::wstring> junk = SeedJunk(kAnn, kAnn + L"\\AppData\\Local\\Temp");
  for (const std::wstring& f : SeedJunk(kCy, kCy + L"\\AppData\\Local\\Temp")) junk.push_back(f);
  for (const std::wstring& f : SeedJunk(myProfile, myTemp)) junk.push_back(f);
  std::vector<std::wstring> canaries = SeedCanaries(kAnn);
  for (const std::wstring& f : SeedCanaries(kCy)) canaries.push_back(f);
  SeedTypedUrls(HKEY_USERS, kAnnSid + L"\\" + kTypedUrls, 3);
  SeedTypedUrls(HKEY_CURRENT_USER, kTypedUrls, 2);
  AllCases()[1].seed(purlo::MajorVersionFromGetVersion());  // Prefetch: two files
  // %TEMP% in a keep pattern is each user's own temporary folder.
  const std::vector<std::wstring> keptFiles = {kAnn + L"\\AppData\\Local\\Temp\\keep-a.tmp",
                                               kCy + L"\\AppData\\Local\\Temp\\keep-a.tmp",
                                               myTemp + L"\\keep-a.tmp"};
  for (const std::wstring& file : keptFiles) WriteFile(file, 13);
  const std::wstring selection =
      L"SystemTemp IeTemp IeTypedUrls RecentDocs Prefetch RecycleBin --keep %TEMP%\\keep-*";

  CliOutput out = RunCli(L"scan " + selection + L" --all-users --json");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun scan = ParseRun(out.out);
  ASSERT_TRUE(scan.parsed) << out.out;
  ASSERT_TRUE(scan.hasUsers && scan.hasTotal);
  const JsonUser* ann = UserOf(scan, kAnnSid);
  const JsonUser* cy = UserOf(scan, kCySid);
  const JsonUser* mine = UserOf(scan, me);
  ASSERT_TRUE(ann && cy && mine) << out.out;
  EXPECT_EQ(ann->name, L"ann");
  EXPECT_EQ(ann->profile, kAnn);
  EXPECT_EQ(cy->profile, kCy);
  for (const JsonUser* user : {ann, cy}) {
    EXPECT_EQ(Ids(user->categories), (std::vector<std::wstring>{L"SystemTemp", L"RecycleBin", L"IeTemp", L"IeTypedUrls",
                                                                 L"RecentDocs"}));
    EXPECT_EQ(user->Find(L"SystemTemp")->items, 1u) << Narrow(user->name);
    EXPECT_EQ(user->Find(L"SystemTemp")->kept, 1u) << Narrow(user->name);
    EXPECT_EQ(user->Find(L"IeTemp")->items, 1u) << Narrow(user->name);
    EXPECT_EQ(user->Find(L"RecentDocs")->items, 1u) << Narrow(user->name);
    EXPECT_EQ(user->Find(L"RecycleBin")->status, L"not this user");
  }
  EXPECT_EQ(ann->Find(L"IeTypedUrls")->items, 3u);
  EXPECT_EQ(ann->Find(L"IeTypedUrls")->status, L"done");
  EXPECT_EQ(cy->Find(L"IeTypedUrls")->status, L"hive not loaded");
  EXPECT_EQ(cy->Find(L"IeTypedUrls")->items, 0u);
  EXPECT_EQ(mine->Find(L"IeTypedUrls")->items, 2u);
  EXPECT_EQ(mine->Find(L"RecycleBin")->status, L"done");
  EXPECT_GE(mine->Find(L"SystemTemp")->items, 1u);
  EXPECT_EQ(mine->Find(L"SystemTemp")->kept, 1u);
  // The machine's categories once, at the top: Windows\Temp and Prefetch.
  EXPECT_EQ(Ids(scan.categories), (std::vector<std::wstring>{L"SystemTemp", L"Prefetch"}));
  ASSERT_NE(scan.Find(L"Prefetch"), nullptr);
  EXPECT_EQ(scan.Find(L"Prefetch")->items, 2u);
  uint64_t items = 0;
  for (const JsonCategory& c : scan.categories) items += c.items;
  for (const JsonUser& user : scan.users) {
    for (const JsonCategory& c : user.categories) items += c.items;
  }
  EXPECT_EQ(scan.totalItems, items);
  // The text report, by user.
  CliOutput text = RunCli(L"scan " + selection + L" --all-users");
  EXPECT_NE(text.out.find(Narrow(L"== ann (" + kAnnSid + L"): " + kAnn)), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("IeTypedUrls: hive not loaded\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("== machine"), std::string::npos) << text.out;

  out = RunCli(L"sweep " + selection + L" --all-users --yes --json");
  EXPECT_EQ(out.exitCode, 0) << out.err;
  for (const std::wstring& file : junk) EXPECT_FALSE(Exists(file)) << Narrow(file);
  for (const std::wstring& file : canaries) EXPECT_EQ(FileSize(file), 11u) << Narrow(file);
  for (const std::wstring& file : keptFiles) {
    EXPECT_EQ(FileSize(file), 13u) << Narrow(file);
    ::DeleteFileW(file.c_str());
  }
  EXPECT_EQ(ValueCount(HKEY_USERS, kAnnSid + L"\\" + kTypedUrls), 0u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, kTypedUrls), 0u);
  EXPECT_EQ(ValueCount(HKEY_USERS, kAnnSid + L"\\Software\\PurloCanary"), 1u);
  EXPECT_FALSE(KeyExists(HKEY_USERS, kCySid)) << "an unloaded hive was loaded or made";

  // One user, by the folder's name (the account cannot be looked up) or by SID.
  const std::vector<std::wstring> annJunk = SeedJunk(kAnn, kAnn + L"\\AppData\\Local\\Temp");
  const std::vector<std::wstring> cyJunk = SeedJunk(kCy, kCy + L"\\AppData\\Local\\Temp");
  const std::vector<std::wstring> myJunk = SeedJunk(myProfile, myTemp);
  out = RunCli(L"sweep SystemTemp IeTemp RecentDocs --user ann --yes --json");
  EXPECT_EQ(out.exitCode, 0) << out.err;
  JsonRun one = ParseRun(out.out);
  ASSERT_TRUE(one.parsed) << out.out;
  ASSERT_EQ(one.users.size(), 1u);
  EXPECT_EQ(one.users[0].sid, kAnnSid);
  for (const std::wstring& file : annJunk) EXPECT_FALSE(Exists(file)) << Narrow(file);
  for (const std::wstring& file : cyJunk) EXPECT_TRUE(Exists(file)) << Narrow(file);
  for (const std::wstring& file : myJunk) EXPECT_TRUE(Exists(file)) << Narrow(file);
  out = RunCli(L"scan SystemTemp --user " + kCySid + L" --json");
  EXPECT_EQ(out.exitCode, 0) << out.err;
  one = ParseRun(out.out);
  ASSERT_EQ(one.users.size(), 1u) << out.out;
  EXPECT_EQ(one.users[0].name, L"cy");
  EXPECT_EQ(one.users[0].Find(L"SystemTemp")->items, 1u);
  EXPECT_EQ(RunCli(L"scan SystemTemp --user nobody-here").exitCode, 2);
  EXPECT_EQ(RunCli(L"scan SystemTemp --user ann --all-users").exitCode, 2);
  for (const std::wstring& file : canaries) EXPECT_EQ(FileSize(file), 11u) << Narrow(file);
  for (const std::wstring& file : myJunk) ::DeleteFileW(file.c_str());
}

// purlo-cli as fleet tools run it: exit codes that tell the outcome, the
// report into a file, --quiet, the age limit and the keep list.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <map>

#include "engine/core/RunState.h"
#include "tests/e2e/Seeds.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "win/Handles.h"

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

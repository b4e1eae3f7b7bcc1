// purlo-cli on trees laid from the Linux side (tests/prepare_sandbox.sh): names
// in any script, paths past 260 characters, names ending in a dot or a space,
// device names as file names, links, and names that hold a backslash. Each
// tree is made a TheWorldHistory root ("<Path>\data") through its registry value.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <set>

#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Safety.h"
#include "win/Handles.h"

using namespace testing_support;

namespace {

const wchar_t kTheWorld[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";

// Every check on disk goes through the long form: the plain one gets "junk."
// and "nul" wrong.
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }
bool LongExists(const std::wstring& path) { return Exists(Long(path)); }

void UseTheWorldPath(const std::wstring& path) {
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
  SetString(HKEY_LOCAL_MACHINE, kTheWorld, L"Path", path);
}

std::wstring Deep() {
  std::wstring deep;
  for (int i = 1; i <= 14; ++i) deep += L"\\deep_folder_name_" + std::to_wstring(i);
  return deep;
}

// What prepare_sandbox.sh lays in every names case, relative to "data", with sizes.
std::map<std::wstring, uint64_t> NamesTree(bool withDevices) {
  std::map<std::wstring, uint64_t> files = {
      {L"中文.tmp", 11},
      {L"\U0001F600outside-the-BMP.log", 13},
      {L"with space.txt", 17},
      {L".leading", 19},
      {L"sub\\no_extension", 23},
      {std::wstring(251, L'L') + L".txt", 29},
      {L"sub\\长名字" + std::wstring(80, L'字'), 31},
      {Deep().substr(1) + L"\\at-the-bottom.bin", 37},
      {L"junk.", 41},
      {L"sp ", 43},
      {L"d.\\inside", 47},
      {L"plain.txt", 53},
  };
  if (withDevices) {
    files[L"devices\\nul"] = 59;
    files[L"devices\\aux.txt"] = 61;
    files[L"devices\\con"] = 67;
    files[L"devices\\com1.log"] = 71;
    files[L"devices\\lpt1"] = 73;
  }
  return files;
}

std::map<std::wstring, uint64_t> Under(const std::wstring& root, const std::map<std::wstring, uint64_t>& relative) {
  std::map<std::wstring, uint64_t> full;
  for (const auto& f : relative) full[root + L"\\" + f.first] = f.second;
  return full;
}

std::map<std::wstring, uint64_t> Listed(const JsonCategory& c) {
  std::map<std::wstring, uint64_t> files;
  for (const JsonFile& f : c.files) files[f.path] = f.bytes;
  return files;
}

uint64_t Sum(const std::map<std::wstring, uint64_t>& files) {
  uint64_t total = 0;
  for (const auto& f : files) total += f.second;
  return total;
}

struct Scanned {
  JsonCategory category;
  std::map<std::wstring, uint64_t> files;
};

// scan --files --json TheWorldHistory; fatal failures when it does not run.
void ScanTheWorld(Scanned& scanned) {
  CliOutput out = RunCli(L"scan --files --json TheWorldHistory");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  ASSERT_EQ(run.categories.size(), 1u) << out.out;
  scanned.category = run.categories[0];
  ASSERT_TRUE(scanned.category.hasFiles) << out.out;
  scanned.files = Listed(scanned.category);
}

void SweepTheWorld(JsonCategory& swept) {
  CliOutput out = RunCli(L"sweep --yes --json TheWorldHistory");
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  ASSERT_EQ(run.categories.size(), 1u) << out.out;
  swept = run.categories[0];
  // 3 when files stayed that the sweep meant to remove, or a root was refused.
  ASSERT_EQ(out.exitCode, swept.failed.empty() && swept.refused.empty() ? 0 : 3) << out.err;
}

bool IsEmptyFolder(const std::wstring& path) {
  WIN32_FIND_DATAW entry;
  win::UniqueFind listing(::FindFirstFileW(Long(path + L"\\*").c_str(), &entry));
  if (!listing) return false;
  do {
    if (wcscmp(entry.cFileName, L".") != 0 && wcscmp(entry.cFileName, L"..") != 0) return false;
  } while (::FindNextFileW(listing.Get(), &entry));
  return true;
}

// A sweep's report against the scan just before it: every counted file is
// either gone (and counted as removed, with its size) or listed as failed or
// skipped, and still there; nothing listed that was not counted.
void ExpectSweepAccountsForTheScan(const Scanned& scanned, const JsonCategory& swept) {
  std::set<std::wstring> reported;
  for (const std::wstring& p : swept.failed) {
    EXPECT_TRUE(scanned.files.count(p)) << "failed but never counted: " << Narrow(p);
    EXPECT_TRUE(LongExists(p)) << "failed but gone: " << Narrow(p);
    EXPECT_TRUE(reported.insert(p).second) << "listed twice: " << Narrow(p);
  }
  for (const std::wstring& p : swept.skipped) {
    EXPECT_TRUE(scanned.files.count(p)) << "skipped but never counted: " << Narrow(p);
    EXPECT_TRUE(LongExists(p)) << "skipped but gone: " << Narrow(p);
    EXPECT_TRUE(reported.insert(p).second) << "listed twice: " << Narrow(p);
  }
  uint64_t removedBytes = 0, removed = 0;
  for (const auto& f : scanned.files) {
    if (reported.count(f.first)) continue;
    EXPECT_FALSE(LongExists(f.first)) << "counted, not reported, still there: " << Narrow(f.first);
    removedBytes += f.second;
    ++removed;
  }
  EXPECT_EQ(swept.items + swept.failed.size() + swept.skipped.size(), scanned.category.items);
  EXPECT_EQ(swept.items, removed);
  EXPECT_EQ(swept.bytes, removedBytes);
}

}  // namespace

// Without a zh_CN.UTF-8 locale that exists, Wine converts Unix names through
// ASCII and this name is listed as something else, or not at all.
TEST(Locale, NamesMadeOnLinuxAreListedUnderTheirOwnWideNames) {
  for (const wchar_t* name : {L"中文.tmp", L"\U0001F600outside-the-BMP.log"}) {
    WIN32_FIND_DATAW entry;
    win::UniqueFind found(::FindFirstFileW((std::wstring(L"C:\\names\\scan\\data\\") + name).c_str(), &entry));
    ASSERT_TRUE(found.Valid()) << "not found: " << Narrow(name) << " (is the locale missing?)";
    EXPECT_EQ(std::wstring(entry.cFileName), name);
  }
}

TEST(NamesCli, ScanListsEveryFileWithItsSizeInEveryForm) {
  UseTheWorldPath(L"C:\\names\\scan");
  const std::map<std::wstring, uint64_t> expected = Under(L"C:\\names\\scan\\data", NamesTree(false));
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  EXPECT_EQ(scanned.files, expected);
  EXPECT_EQ(scanned.category.items, expected.size());
  EXPECT_EQ(scanned.category.bytes, Sum(expected));
  // The lines form: identifier, size, path, tab-separated, besides the label and summary.
  CliOutput lines = RunCli(L"scan --files TheWorldHistory");
  ASSERT_EQ(lines.exitCode, 0) << lines.err;
  const std::wstring text = Wide(lines.out);
  for (const auto& f : expected) {
    std::wstring escaped;  // a backslash in a line doubles
    for (wchar_t c : f.first) escaped += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    const std::wstring line = L"TheWorldHistory\t" + std::to_wstring(f.second) + L"\t" + escaped + L"\n";
    EXPECT_NE(text.find(line), std::wstring::npos) << Narrow(line);
  }
  EXPECT_NE(text.find(L"世界之窗浏览记录(12个文件,364.000B)\n"), std::wstring::npos) << lines.out;
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 14);  // 12 files, the label, the summary
  // Scanning changed nothing.
  for (const auto& f : expected) EXPECT_EQ(FileSize(Long(f.first)), f.second) << Narrow(f.first);
}

// A name made on Linux that holds a newline, tabs and a control character,
// shaped to read as a second entry: one line, escaped.
TEST(NamesCli, AForgedNamePrintsAsOneEscapedLine) {
  UseTheWorldPath(L"C:\\names\\forged");
  CliOutput lines = RunCli(L"scan --files TheWorldHistory");
  ASSERT_EQ(lines.exitCode, 0) << lines.err;
  EXPECT_EQ(lines.out,
            "TheWorldHistory\t3\tC:\\\\names\\\\forged\\\\data\\\\x\\nTheWorldHistory\\t99\\tforged\\x01\\r.txt\n"
            "世界之窗浏览记录(1个文件,3.000B)\n"
            "扫描已经完成，共发现垃圾文件1个,3.000B。建议您立即清理。\n");
  JsonRun run = ParseRun(RunCli(L"scan --files --json TheWorldHistory").out);
  ASSERT_TRUE(run.parsed);
  ASSERT_EQ(run.categories.at(0).files.size(), 1u);
  EXPECT_EQ(run.categories[0].files[0].path, L"C:\\names\\forged\\data\\x\nTheWorldHistory\t99\tforged\x01\r.txt");
}

// Four sparse files of 2^62 bytes on the small drive (tests/e2e/small_drive.sh):
// the byte totals stop at the largest 64-bit count instead of wrapping to 0,
// and the label's double arithmetic shows 2^64 bytes.
TEST(WalkLimits, TotalsPast64BitsDoNotWrap) {
  ASSERT_TRUE(Exists(L"T:\\wide\\data\\huge4.bin")) << "the small drive is missing: run through ctest";
  UseTheWorldPath(L"T:\\wide");
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  EXPECT_EQ(scanned.category.items, 4u);
  EXPECT_EQ(scanned.category.bytes, UINT64_MAX);
  EXPECT_EQ(scanned.category.label, L"世界之窗浏览记录(4个文件,17592186044416.000MB)");
  for (const auto& f : scanned.files) EXPECT_EQ(f.second, 1ull << 62) << Narrow(f.first);
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(SweepTheWorld(swept));
  EXPECT_EQ(swept.items, 4u);
  EXPECT_EQ(swept.bytes, UINT64_MAX);
  EXPECT_EQ(swept.label, L"世界之窗浏览记录(清理4个文件,17592186044416.000MB)");
}

// Device names are swept only after the scan has shown them to be the files
// (their own sizes): reaching the devices would reach the host's.
TEST(NamesCli, SweepDeletesWhatTheScanCountedAndNothingElse) {
  UseTheWorldPath(L"C:\\names\\sweep");
  const std::wstring root = L"C:\\names\\sweep\\data";
  const std::map<std::wstring, uint64_t> expected = Under(root, NamesTree(true));
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  for (const wchar_t* device : {L"nul", L"aux.txt", L"con", L"com1.log", L"lpt1"}) {
    const std::wstring path = root + L"\\devices\\" + device;
    ASSERT_EQ(scanned.files.count(path), 1u) << Narrow(path);
    ASSERT_EQ(scanned.files.at(path), expected.at(path)) << "not opened as the file: " << Narrow(path);
  }
  ASSERT_EQ(scanned.files, expected);
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(SweepTheWorld(swept));
  EXPECT_EQ(swept.items, expected.size());
  EXPECT_EQ(swept.bytes, Sum(expected));
  EXPECT_TRUE(swept.failed.empty()) << Narrow(swept.failed.empty() ? L"" : swept.failed[0]);
  EXPECT_TRUE(swept.skipped.empty());
  ExpectSweepAccountsForTheScan(scanned, swept);
  EXPECT_TRUE(LongExists(root));
  EXPECT_TRUE(IsEmptyFolder(root));
  // The other trees stay whole.
  for (const auto& f : Under(L"C:\\names\\scan\\data", NamesTree(false))) {
    EXPECT_EQ(FileSize(Long(f.first)), f.second) << Narrow(f.first);
  }
}

TEST(NamesCli, SweepRemovedPlusFailedPlusSkippedIsWhatTheScanCounted) {
  UseTheWorldPath(L"C:\\names\\invariant");
  const std::wstring root = L"C:\\names\\invariant\\data";
  const std::wstring outside = L"C:\\names\\invariant\\outside";
  // Attributes and holders are set on the Windows side.
  ASSERT_TRUE(::SetFileAttributesW(Long(root + L"\\plain.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(::SetFileAttributesW(Long(root + L"\\junk.").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(::SetFileAttributesW(Long(root + L"\\sp ").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  win::UniqueFile exclusive(::CreateFileW(Long(root + L"\\中文.tmp").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(exclusive.Valid());
  win::UniqueFile noDelete(::CreateFileW(Long(root + Deep() + L"\\at-the-bottom.bin").c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(noDelete.Valid());

  std::map<std::wstring, uint64_t> expected = Under(root, NamesTree(true));
  expected[root + L"\\filelink.txt"] = 15;  // a file link lists as its target
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  for (const wchar_t* device : {L"nul", L"aux.txt", L"con", L"com1.log", L"lpt1"}) {
    const std::wstring path = root + L"\\devices\\" + device;
    ASSERT_EQ(scanned.files.count(path) ? scanned.files.at(path) : 0, expected.at(path)) << Narrow(path);
  }
  ASSERT_EQ(scanned.files, expected);
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(SweepTheWorld(swept));
  ExpectSweepAccountsForTheScan(scanned, swept);
  std::vector<std::wstring> failed = swept.failed;
  std::sort(failed.begin(), failed.end());
  EXPECT_EQ(failed, (std::vector<std::wstring>{root + Deep() + L"\\at-the-bottom.bin", root + L"\\中文.tmp"}));
  EXPECT_EQ(swept.skipped, std::vector<std::wstring>{root + L"\\filelink.txt"});
  EXPECT_EQ(ReadAll(outside + L"\\canary.txt"), "outside canary\n");
  EXPECT_EQ(ReadAll(outside + L"\\dir\\inner.txt"), "outside dir canary\n");
  EXPECT_TRUE(LongExists(root + L"\\dirlink"));
}

// Names holding a backslash, possible from Linux: "..\victim" joined to its
// folder names the folder beside the root.
TEST(WalkLimits, NamesWithASeparatorAreNeitherEnteredCountedNorDeleted) {
  UseTheWorldPath(L"C:\\names\\separators");
  const std::wstring c = L"C:\\names\\separators";
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  EXPECT_EQ(scanned.files, (std::map<std::wstring, uint64_t>{{c + L"\\data\\ok\\fine.txt", 7}}));
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(SweepTheWorld(swept));
  EXPECT_EQ(swept.items, 1u);
  EXPECT_TRUE(swept.failed.empty());
  EXPECT_TRUE(swept.skipped.empty());
  EXPECT_EQ(ReadAll(c + L"\\victim\\canary.txt"), "victim canary\n");
  EXPECT_TRUE(Exists(c + L"\\victim\\emptydir"));
  EXPECT_FALSE(Exists(c + L"\\data\\ok\\fine.txt"));
  EXPECT_FALSE(Exists(c + L"\\data\\ok"));
}

TEST(WalkLimits, ATree400FoldersDeepIsCountedAndEmptied) {
  UseTheWorldPath(L"C:\\names\\deeptree");
  std::wstring half = L"C:\\names\\deeptree\\data";
  for (int i = 0; i < 200; ++i) half += L"\\a";
  std::wstring bottom = half + L"\\mid";
  for (int i = 0; i < 200; ++i) bottom += L"\\a";
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  EXPECT_EQ(scanned.files, (std::map<std::wstring, uint64_t>{{half + L"\\half.bin", 5}, {bottom + L"\\bottom.bin", 3}}));
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(SweepTheWorld(swept));
  EXPECT_EQ(swept.items, 2u);
  EXPECT_EQ(swept.bytes, 8u);
  EXPECT_TRUE(IsEmptyFolder(L"C:\\names\\deeptree\\data"));
}

// Wine names what lies outside every drive "\\?\unix\...": such a root is
// refused whole, by the scan and by the sweep.
TEST(WalkLimits, ARootReallyOffTheDrivesIsRefused) {
  UseTheWorldPath(L"C:\\names\\offdrive");
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  EXPECT_EQ(scanned.category.items, 0u);
  EXPECT_TRUE(scanned.files.empty());
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(SweepTheWorld(swept));
  EXPECT_EQ(swept.items, 0u);
  EXPECT_TRUE(swept.failed.empty());
  // Never dropped silently: refused, and said why.
  ASSERT_EQ(scanned.category.refused.size(), 1u);
  EXPECT_EQ(scanned.category.refused[0].why, L"not local");
  ASSERT_EQ(swept.refused.size(), 1u);
  EXPECT_EQ(swept.refused[0].why, L"not local");
  EXPECT_EQ(ReadAll(L"C:\\names\\offdrive\\data\\canary.txt"), "home canary\n");
  EXPECT_EQ(ReadAll(L"C:\\names\\offdrive\\data\\sub\\canary2.txt"), "home canary 2\n");
}

// The user's Documents folder is a link into the sandbox's HOME.
TEST(WalkLimits, TheWorldPathInDocumentsLeavesHomeAlone) {
  const std::wstring documents = Expand(L"%USERPROFILE%") + L"\\Documents";
  const std::wstring canary = documents + L"\\data\\purlo-canary.txt";
  WriteFile(canary, 21);
  UseTheWorldPath(documents);
  Scanned scanned;
  ASSERT_NO_FATAL_FAILURE(ScanTheWorld(scanned));
  EXPECT_EQ(scanned.category.items, 0u);
  JsonCategory swept;
  ASSERT_NO_FATAL_FAILURE(SweepTheWorld(swept));
  EXPECT_EQ(swept.items, 0u);
  ASSERT_EQ(swept.refused.size(), 1u);
  EXPECT_EQ(swept.refused[0].why, L"not local");
  EXPECT_EQ(FileSize(canary), 21u);
  ::DeleteFileW(canary.c_str());
}

// TheWorld's folder is a machine root: one that is a link is refused, even
// to a folder on the drive, and what the link leads to stays.
TEST(WalkLimits, AMachineRootThatIsALinkToAFolderOnTheDriveIsRefused) {
  UseTheWorldPath(L"C:\\names\\ondrive");
  CliOutput scan = RunCli(L"scan --files --json TheWorldHistory");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  EXPECT_EQ(scan.err, "purlo-cli: TheWorldHistory: root refused (link): C:\\names\\ondrive\\data\n");
  JsonRun scanned = ParseRun(scan.out);
  ASSERT_TRUE(scanned.parsed) << scan.out;
  ASSERT_EQ(scanned.categories.size(), 1u);
  EXPECT_EQ(scanned.categories[0].items, 0u);
  ASSERT_EQ(scanned.categories[0].refused.size(), 1u);
  EXPECT_EQ(scanned.categories[0].refused[0].why, L"link");
  CliOutput sweep = RunCli(L"sweep --yes --json TheWorldHistory");
  EXPECT_EQ(sweep.exitCode, 3) << sweep.err;
  EXPECT_TRUE(Exists(L"C:\\names\\ondrive\\real\\a.txt"));
  EXPECT_TRUE(Exists(L"C:\\names\\ondrive\\real\\sub\\b.txt"));
}

// QQPlayer's three roots (Windows 7 and later) lie one inside the other: the
// files are counted once, and the sweep of the outer root leaves the inner
// roots in place.
TEST(NestedRoots, RootsInsideAnotherRootOfTheTaskAreWalkedOnceAndKept) {
  const std::wstring player = Expand(L"%APPDATA%") + L"\\Tencent\\QQPlayer";
  RemoveTree(player);
  WriteFile(player + L"\\a.tmp", 5);
  WriteFile(player + L"\\QPUpdate\\deeper\\b.tmp", 6);
  WriteFile(player + L"\\QPLyric\\c.tmp", 7);
  CliOutput scan = RunCli(L"scan --json --files QqPlayerHistory");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  JsonRun scanned = ParseRun(scan.out);
  ASSERT_TRUE(scanned.parsed) << scan.out;
  ASSERT_EQ(scanned.categories.size(), 1u);
  EXPECT_EQ(scanned.categories[0].items, 3u) << scan.out;
  EXPECT_EQ(scanned.categories[0].bytes, 18u);
  CliOutput sweep = RunCli(L"sweep --yes --json QqPlayerHistory");
  ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
  JsonRun swept = ParseRun(sweep.out);
  ASSERT_TRUE(swept.parsed) << sweep.out;
  EXPECT_EQ(swept.categories[0].items, 3u);
  EXPECT_TRUE(Exists(player + L"\\QPUpdate")) << "the sweep removed a root of its own task";
  EXPECT_TRUE(Exists(player + L"\\QPLyric")) << "the sweep removed a root of its own task";
  EXPECT_FALSE(Exists(player + L"\\QPUpdate\\deeper"));
  EXPECT_FALSE(Exists(player + L"\\a.tmp"));
  EXPECT_FALSE(Exists(player + L"\\QPLyric\\c.tmp"));
}

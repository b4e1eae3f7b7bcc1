// purlo-cli scan, end to end, on seeded locations of the sandbox prefix.
#include <gtest/gtest.h>
#include <shlobj.h>

#include "engine/core/Catalogue.h"
#include "engine/core/RunState.h"
#include "tests/e2e/Seeds.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"

using namespace testing_support;

namespace {

int Version() { return purlo::MajorVersionFromGetVersion(); }

class ScanCli : public ::testing::TestWithParam<CategoryCase> {};

std::string Name(const ::testing::TestParamInfo<CategoryCase>& info) { return Narrow(info.param.id); }

void ExpectScanOf(const CategoryCase& c, int version) {
  const Expected expected = c.seed(version);
  CliOutput out = RunCli(L"scan --json " + std::wstring(c.id));
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  EXPECT_EQ(run.run, L"scan");
  ASSERT_EQ(run.categories.size(), 1u) << out.out;
  const JsonCategory& got = run.categories[0];
  EXPECT_EQ(got.id, c.id);
  EXPECT_EQ(got.label, expected.label) << out.out;
  EXPECT_EQ(got.items, expected.items);
  EXPECT_EQ(got.bytes, expected.bytes);
}

}  // namespace

// The default prefix reports Windows 6.1; the second prefix reports 5.2.
class Win7 : public ScanCli {};
class Xp : public ScanCli {};

TEST_P(Win7, EachCategoryMeasuresWhatWasSeeded) {
  ASSERT_EQ(Version(), 6);
  ExpectScanOf(GetParam(), 6);
}

TEST_P(Xp, EachCategoryMeasuresWhatWasSeeded) {
  ASSERT_EQ(Version(), 5) << "this case must run in the Windows XP prefix";
  ExpectScanOf(GetParam(), 5);
}

INSTANTIATE_TEST_SUITE_P(Scan, Win7, ::testing::ValuesIn(AllCases()), Name);
INSTANTIATE_TEST_SUITE_P(Scan, Xp, ::testing::ValuesIn(AllCases()), Name);

TEST(ScanCliRun, AllCategoriesAtOnceAddUpInTheSummary) {
  const int version = Version();
  ClearAllLocations(version);
  uint64_t items = 0, bytes = 0;
  for (const CategoryCase& c : AllCases()) {
    Expected e = c.seed(version);
    items += e.items;
    bytes += e.bytes;
  }
  CliOutput out = RunCli(L"scan --all --json");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  ASSERT_EQ(run.categories.size(), static_cast<size_t>(purlo::kCategoryCount));
  for (size_t i = 0; i < AllCases().size(); ++i) EXPECT_EQ(run.categories[i].id, AllCases()[i].id);  // tree order
  uint64_t sumItems = 0, sumBytes = 0;
  for (const JsonCategory& c : run.categories) {
    sumItems += c.items;
    sumBytes += c.bytes;
  }
  EXPECT_EQ(sumItems, items);
  EXPECT_EQ(sumBytes, bytes);
  ASSERT_EQ(version, 6);
  EXPECT_EQ(items, 110u);
  EXPECT_EQ(bytes, 2132776u);
  EXPECT_EQ(run.summary, L"扫描已经完成，共发现垃圾文件110个,2.034MB。建议您立即清理。");
}

// Without their keys the two browsers are listed as not installed, with
// their bare labels and nothing counted; the text report says so in a line.
TEST(ScanCliRun, MissingBrowserKeysReportTheirCategoriesNotInstalled) {
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\Maxthon2");
  DeleteKeyTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe");
  CliOutput out = RunCli(L"scan --json MaxthonHistory TheWorldHistory BaiduToolbarHistory");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed) << out.out;
  ASSERT_EQ(run.categories.size(), 3u);
  EXPECT_EQ(run.categories[0].id, L"MaxthonHistory");
  EXPECT_EQ(run.categories[0].status, L"not installed");
  EXPECT_EQ(run.categories[0].items, 0u);
  EXPECT_EQ(run.categories[1].id, L"TheWorldHistory");
  EXPECT_EQ(run.categories[1].status, L"not installed");
  EXPECT_EQ(run.categories[2].id, L"BaiduToolbarHistory");
  EXPECT_EQ(run.categories[2].status, L"done");
  CliOutput text = RunCli(L"sweep --yes MaxthonHistory TheWorldHistory");
  EXPECT_EQ(text.exitCode, 0) << "no status alone makes a sweep exit 3";
  EXPECT_NE(text.out.find("MaxthonHistory: not installed\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("TheWorldHistory: not installed\n"), std::string::npos) << text.out;
}

TEST(ScanCliRun, NothingFoundSaysSo) {
  DeleteKeyTree(HKEY_CURRENT_USER, L"Software\\baidu\\BaiduToolbar\\History");
  CliOutput out = RunCli(L"scan BaiduToolbarHistory");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  EXPECT_EQ(out.out, "百度工具栏搜索记录(0项)\n扫描已经完成，没有发现需要清理的文件。\n");
}

TEST(ScanCliRun, UsageErrorsExitWith2) {
  CliOutput unknown = RunCli(L"scan SystemTemp NoSuchThing");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("unknown category: NoSuchThing"), std::string::npos) << unknown.err;
  EXPECT_TRUE(unknown.out.empty());
  EXPECT_EQ(RunCli(L"scan --all SystemTemp").exitCode, 2);
  EXPECT_EQ(RunCli(L"frobnicate").exitCode, 2);
  EXPECT_EQ(RunCli(L"").exitCode, 2);
}

TEST(ScanCliRun, ListShowsTheTreeWithTheRecommendedFive) {
  CliOutput out = RunCli(L"list");
  ASSERT_EQ(out.exitCode, 0);
  std::wstring text = Wide(out.out);
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), purlo::kCategoryCount);
  EXPECT_EQ(text.rfind(L"1\tSystemTemp\t系统临时文件\trecommended\n", 0), 0u);
  EXPECT_NE(text.find(L"\n7\tDownloadedPrograms\t已下载程序文件(Win7系统中如清理有可能造成部分程序兼容性问题)\t-\n"),
            std::wstring::npos);
  size_t recommended = 0;
  for (size_t at = text.find(L"\trecommended\n"); at != std::wstring::npos; at = text.find(L"\trecommended\n", at + 1)) {
    ++recommended;
  }
  EXPECT_EQ(recommended, 5u);
}

TEST(ScanCliRun, DefaultSelectionIsTheRecommendedFive) {
  CliOutput out = RunCli(L"scan --json");
  ASSERT_EQ(out.exitCode, 0) << out.err;
  JsonRun run = ParseRun(out.out);
  ASSERT_TRUE(run.parsed);
  ASSERT_EQ(run.categories.size(), 5u);
  EXPECT_EQ(run.categories[4].id, L"IeTypedUrls");
}

namespace {

const wchar_t kTestRowCli[] = L"C:\\purlo\\purlo-cli-testrow.exe";

CliOutput RunTestRowCli(const std::wstring& arguments) { return RunCliProgram(kTestRowCli, arguments); }

}  // namespace

// A test build whose only change is one more row in the catalogue: the new
// category is listed, its root (inside the profile) resolves, a scan measures
// it and a sweep empties it, its folder named never-entered in the row stays,
// and its labels and JSON entries come out in the form of the others.
TEST(ScanCliRun, ACategoryAddedAsOneRowGoesEndToEnd) {
  ASSERT_EQ(Version(), 6);
  const std::wstring root = SpecialFolder(CSIDL_LOCAL_APPDATA) + L"\\PurloTestRow";
  RemoveTree(root);
  WriteFile(root + L"\\a.tmp", 100);
  WriteFile(root + L"\\sub\\中文.tmp", 50);
  WriteFile(root + L"\\keep\\pinned.dat", 7);

  CliOutput list = RunTestRowCli(L"list");
  ASSERT_EQ(list.exitCode, 0) << list.err;
  const std::wstring position = std::to_wstring(purlo::kCategoryCount + 1);  // after the product's last
  EXPECT_NE(list.out.find(Narrow(position + L"\tTestRow\t测试用的一行\t-")), std::string::npos) << list.out;

  CliOutput scan = RunTestRowCli(L"scan --json TestRow");
  ASSERT_EQ(scan.exitCode, 0) << scan.err;
  JsonRun scanned = ParseRun(scan.out);
  ASSERT_TRUE(scanned.parsed) << scan.out;
  ASSERT_EQ(scanned.categories.size(), 1u) << scan.out;
  EXPECT_EQ(scanned.categories[0].id, L"TestRow");
  EXPECT_EQ(scanned.categories[0].status, L"done");
  EXPECT_EQ(scanned.categories[0].items, 2u);
  EXPECT_EQ(scanned.categories[0].bytes, 150u);
  EXPECT_EQ(scanned.categories[0].label, L"测试用的一行(2个文件,150.000B)");

  CliOutput sweep = RunTestRowCli(L"sweep --yes --json TestRow");
  ASSERT_EQ(sweep.exitCode, 0) << sweep.err;
  JsonRun swept = ParseRun(sweep.out);
  ASSERT_TRUE(swept.parsed) << sweep.out;
  ASSERT_EQ(swept.categories.size(), 1u) << sweep.out;
  EXPECT_EQ(swept.categories[0].items, 2u);
  EXPECT_EQ(swept.categories[0].label, L"测试用的一行(清理2个文件,150.000B)");
  EXPECT_FALSE(Exists(root + L"\\a.tmp"));
  EXPECT_FALSE(Exists(root + L"\\sub\\中文.tmp"));
  EXPECT_EQ(FileSize(root + L"\\keep\\pinned.dat"), 7u);
  EXPECT_TRUE(Exists(root));

  // The product's own console does not know it.
  CliOutput unknown = RunCli(L"scan TestRow");
  EXPECT_EQ(unknown.exitCode, 2) << unknown.out;
  RemoveTree(root);
}

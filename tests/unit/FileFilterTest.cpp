// Keep patterns and the age limit on their own: whole components, any case,
// * and ?, anchored or trailing.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/core/FileFilter.h"

using purlo::MatchesKeepPattern;

TEST(FileFilter, KeepPatternsMatchWholeComponentsOnly) {
  const wchar_t* temp = L"C:\\Users\\*\\AppData\\Local\\Temp\\keep-*";
  EXPECT_TRUE(MatchesKeepPattern(temp, L"C:\\Users\\ann\\AppData\\Local\\Temp\\keep-1.log"));
  EXPECT_TRUE(MatchesKeepPattern(temp, L"\\\\?\\c:\\users\\ANN\\appdata\\local\\temp\\KEEP-"));
  EXPECT_FALSE(MatchesKeepPattern(temp, L"C:\\Users\\ann\\AppData\\Local\\Temp\\sub\\keep-1.log"));
  EXPECT_FALSE(MatchesKeepPattern(temp, L"C:\\Users\\ann\\bob\\AppData\\Local\\Temp\\keep-1.log"));
  EXPECT_FALSE(MatchesKeepPattern(temp, L"D:\\Users\\ann\\AppData\\Local\\Temp\\keep-1.log"));
  EXPECT_FALSE(MatchesKeepPattern(temp, L"C:\\Users\\ann\\AppData\\Local\\Temp\\mykeep-1.log"));
  // Not anchored: the path's last components.
  EXPECT_TRUE(MatchesKeepPattern(L"*\\.git", L"C:\\src\\proj\\.git"));
  EXPECT_FALSE(MatchesKeepPattern(L"*\\.git", L"C:\\src\\proj\\.gitignore"));
  EXPECT_FALSE(MatchesKeepPattern(L"*\\.git", L"C:\\src\\proj\\.git\\config"));
  EXPECT_TRUE(MatchesKeepPattern(L"keep", L"C:\\a\\KEEP"));
  EXPECT_FALSE(MatchesKeepPattern(L"keep", L"C:\\a\\keeper"));
  EXPECT_FALSE(MatchesKeepPattern(L"keep", L"C:\\a\\my-keep"));
  EXPECT_TRUE(MatchesKeepPattern(L"a?c.*", L"C:\\x\\abc.txt"));
  EXPECT_FALSE(MatchesKeepPattern(L"a?c.*", L"C:\\x\\ac.txt"));
  EXPECT_TRUE(MatchesKeepPattern(L"*a*b*", L"C:\\x\\xxaxxbxx"));
  EXPECT_FALSE(MatchesKeepPattern(L"*a*b*", L"C:\\x\\xxbxxaxx"));
  EXPECT_TRUE(MatchesKeepPattern(L"C:/logs/app.log", L"C:\\logs\\app.log"));
  EXPECT_TRUE(MatchesKeepPattern(L"\\\\srv\\share\\keep", L"\\\\?\\UNC\\srv\\share\\keep"));
  EXPECT_FALSE(MatchesKeepPattern(L"", L"C:\\x"));
}

TEST(FileFilter, TheAgeLimitNeedsBothTimesOld) {
  purlo::FilterRules rules;
  rules.notAfter = 1000;
  const purlo::FileFilter filter(rules);
  WIN32_FIND_DATAW entry = {};
  entry.ftLastWriteTime.dwLowDateTime = 999;
  entry.ftCreationTime.dwLowDateTime = 999;
  EXPECT_FALSE(filter.KeepsFile(L"C:\\x\\a", L"", entry));
  entry.ftCreationTime.dwLowDateTime = 1001;
  EXPECT_TRUE(filter.KeepsFile(L"C:\\x\\a", L"", entry));
  entry.ftCreationTime.dwLowDateTime = 999;
  entry.ftLastWriteTime.dwHighDateTime = 1;
  EXPECT_TRUE(filter.KeepsFile(L"C:\\x\\a", L"", entry));
  EXPECT_FALSE(purlo::FileFilter(purlo::FilterRules()).KeepsFile(L"C:\\x\\a", L"", entry));
}

// What one pattern stands for, with this machine known as "HOST"; what an
// end-to-end run cannot show (another drive, admin$, another share).
TEST(FileFilter, PatternsAreReadAsWindowsReadsAPath) {
  using Forms = std::vector<std::wstring>;
  const Forms host = {L"HOST"};
  const auto forms = [&](const wchar_t* pattern) {
    Forms out;
    EXPECT_TRUE(purlo::KeepPatternForms(pattern, host, out)) << testing::PrintToString(std::wstring(pattern));
    return out;
  };
  // Another machine's share stays a share; ".." never climbs above it.
  EXPECT_EQ(forms(L"\\\\srv\\share\\..\\..\\x\\.\\y"), Forms{L"\\\\srv\\share\\x\\y"});
  EXPECT_EQ(forms(L"\\\\?\\UNC\\srv\\share\\x"), Forms{L"\\\\srv\\share\\x"});
  // This machine's drive shares are its drives, admin$ its Windows folder.
  EXPECT_EQ(forms(L"//host/d$/x"), (Forms{L"\\\\host\\d$\\x", L"D:\\x"}));
  wchar_t windows[MAX_PATH];
  ASSERT_GT(::GetSystemWindowsDirectoryW(windows, MAX_PATH), 0u);
  const Forms admin = forms(L"\\\\Host\\ADMIN$\\Temp\\k");
  EXPECT_NE(std::find(admin.begin(), admin.end(), std::wstring(windows) + L"\\Temp\\k"), admin.end());
  // A name ending in dots and spaces: as written and as Windows trims it.
  EXPECT_EQ(forms(L"a. \\b.. "), (Forms{L"a. \\b.. ", L"a\\b"}));
  // Nothing that names a file or folder.
  for (const wchar_t* none : {L"..", L".\\..", L"\\\\", L"\\\\?\\GLOBALROOT\\Device\\HarddiskVolume1\\x",
                              L"\\\\?\\Volume{5b8f3c1e-7a0d-4e55-9d2c-1f6b0a4c8e31}\\x", L"\\\\.\\nul", L"a\\b:s",
                              L"a\\b:s:$DATA", L"C:\\a\\D:\\b"}) {
    Forms out;
    EXPECT_FALSE(purlo::KeepPatternForms(none, host, out)) << testing::PrintToString(std::wstring(none));
  }
}

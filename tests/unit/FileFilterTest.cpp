// Keep patterns and the age limit on their own: whole components, any case,
// * and ?, anchored or trailing.
#include <gtest/gtest.h>

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

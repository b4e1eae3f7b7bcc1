// purlo-cli's JSON strings as the bytes it writes: escapes, and UTF-16 that
// UTF-8 cannot carry.
#include <gtest/gtest.h>

#include "cli/Json.h"
#include "win/Text.h"

TEST(Json, UnpairedSurrogatesAreEscapedAndPairsStayUtf8) {
  std::wstring lonelyHigh = L"a";
  lonelyHigh += wchar_t(0xD800);
  lonelyHigh += L"b";
  std::wstring lonelyLow = L"a";
  lonelyLow += wchar_t(0xDC01);
  std::wstring pair = L"x";
  pair += wchar_t(0xD83D);
  pair += wchar_t(0xDE00);  // U+1F600
  std::wstring reversed;
  reversed += wchar_t(0xDE00);
  reversed += wchar_t(0xD83D);
  std::wstring highAtEnd = L"z";
  highAtEnd += wchar_t(0xDBFF);

  EXPECT_EQ(win::ToUtf8(cli::JsonString(lonelyHigh)), "\"a\\ud800b\"");
  EXPECT_EQ(win::ToUtf8(cli::JsonString(lonelyLow)), "\"a\\udc01\"");
  EXPECT_EQ(win::ToUtf8(cli::JsonString(pair)), "\"x\xF0\x9F\x98\x80\"");
  EXPECT_EQ(win::ToUtf8(cli::JsonString(reversed)), "\"\\ude00\\ud83d\"");
  EXPECT_EQ(win::ToUtf8(cli::JsonString(highAtEnd)), "\"z\\udbff\"");
  // Two names that differ only in their lone surrogate print differently.
  std::wstring other = L"a";
  other += wchar_t(0xD801);
  other += L"b";
  EXPECT_NE(win::ToUtf8(cli::JsonString(lonelyHigh)), win::ToUtf8(cli::JsonString(other)));
}

TEST(Json, QuotesBackslashesAndControlCharacters) {
  EXPECT_EQ(win::ToUtf8(cli::JsonString(L"C:\\a \"b\"\n\t\x01")), "\"C:\\\\a \\\"b\\\"\\n\\t\\u0001\"");
  EXPECT_EQ(win::ToUtf8(cli::JsonString(L"系统临时文件")), "\"系统临时文件\"");
}

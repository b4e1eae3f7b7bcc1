// History keys that are registry links, or lie below one: counted as nothing
// and never touched, while the key the link leads to keeps its values.
#include <gtest/gtest.h>
#include <windows.h>

#include "engine/core/RegistryKeys.h"
#include "engine/scan/ScanWorker.h"
#include "engine/sweep/RegistryHistory.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Safety.h"

using namespace purlo;
using namespace testing_support;

namespace {

const std::wstring kBase = L"Software\\PurloTests\\Links";

struct RegistryLinks : ::testing::Test {
  void SetUp() override { Clear(); }
  void TearDown() override { Clear(); }
  static void Clear() {
    RemoveKeyOrLink(HKEY_CURRENT_USER, kBase + L"\\History");
    RemoveKeyOrLink(HKEY_CURRENT_USER, kBase + L"\\Via");
    DeleteKeyTree(HKEY_CURRENT_USER, kBase);
  }
};

}  // namespace

TEST_F(RegistryLinks, AKeyThatIsALinkCountsNothingAndItsTargetKeepsItsValues) {
  const std::wstring target = kBase + L"\\Target";
  SetString(HKEY_CURRENT_USER, target, L"url1", L"http://a.example/");
  SetString(HKEY_CURRENT_USER, target, L"url2", L"http://b.example/");
  const std::wstring history = kBase + L"\\History";
  RegistryLink link(HKEY_CURRENT_USER, history, KernelKeyName(HKEY_CURRENT_USER, target));
  ASSERT_TRUE(link.Made());
  // An ordinary open follows the link: this is the key a careless sweep would empty.
  ASSERT_EQ(ValueCount(HKEY_CURRENT_USER, history), 2u);

  EXPECT_EQ(CountRegistryValues(history.c_str()), 0u);
  EXPECT_EQ(RemoveHistoryValues(history), 0u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, target), 2u);
  EXPECT_TRUE(IsLinkKey(HKEY_CURRENT_USER, history));
  EXPECT_FALSE(OpenKeyWithoutLinks(HKEY_CURRENT_USER, history, KEY_READ));
}

TEST_F(RegistryLinks, AKeyBelowALinkCountsNothing) {
  const std::wstring elsewhere = kBase + L"\\Elsewhere";
  for (const wchar_t* name : {L"a", L"b", L"c"}) SetString(HKEY_CURRENT_USER, elsewhere + L"\\History", name, L"x");
  RegistryLink link(HKEY_CURRENT_USER, kBase + L"\\Via", KernelKeyName(HKEY_CURRENT_USER, elsewhere));
  ASSERT_TRUE(link.Made());
  const std::wstring throughLink = kBase + L"\\Via\\History";
  ASSERT_EQ(ValueCount(HKEY_CURRENT_USER, throughLink), 3u);

  EXPECT_EQ(CountRegistryValues(throughLink.c_str()), 0u);
  EXPECT_EQ(RemoveHistoryValues(throughLink), 0u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, elsewhere + L"\\History"), 3u);
}

TEST_F(RegistryLinks, OrdinaryKeysAreStillCountedAndCleared) {
  const std::wstring plain = kBase + L"\\Plain";
  SetString(HKEY_CURRENT_USER, plain, L"a", L"1");
  SetString(HKEY_CURRENT_USER, plain, L"b", L"2");
  SetString(HKEY_CURRENT_USER, plain + L"\\Sub", L"kept", L"3");
  EXPECT_EQ(CountRegistryValues(plain.c_str()), 2u);
  EXPECT_EQ(RemoveHistoryValues(plain), 2u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, plain), 0u);
  EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, plain + L"\\Sub"), 1u);
  EXPECT_EQ(CountRegistryValues((kBase + L"\\Missing").c_str()), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kBase + L"\\Missing"));
}

// Roots that are one of the system's own folders, or lie above one, under
// whatever spelling reaches them: refused; roots inside them: kept.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <userenv.h>

#include <algorithm>

#include "engine/core/ProtectedFolders.h"
#include "engine/core/RootJudge.h"
#include "engine/core/RootRules.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"

using namespace purlo;
using namespace testing_support;

namespace {

std::wstring ShortName(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  DWORD n = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH);
  return (n > 0 && n < MAX_PATH) ? std::wstring(buffer, n) : std::wstring();
}

std::wstring Slashed(std::wstring path) {
  std::replace(path.begin(), path.end(), L'\\', L'/');
  return path;
}

std::wstring Lower(std::wstring path) {
  ::CharLowerBuffW(&path[0], static_cast<DWORD>(path.size()));
  return path;
}

// Made from the Linux side by the sandbox preparation: system (a folder),
// viasystem -> system, uplinks -> C:\links.
const std::wstring kLinks = L"C:\\links\\protected";

}  // namespace

TEST(ProtectedFolders, EverySpellingOfTheFolderAndEveryFolderAboveIsRefused) {
  TestFolder f(L"protected");
  const std::wstring system = f / L"System Folder Of Some Length";
  MakeFolders(system + L"\\Temp");
  const std::wstring shortName = ShortName(system);
  ASSERT_FALSE(shortName.empty());
  ASSERT_NE(shortName, system) << "no short name to test with";
  const ProtectedFolders guard({system});

  for (const std::wstring& root :
       {system, system + L"\\", system + L"\\\\", Lower(system), Slashed(system), Slashed(system) + L"/",
        system + L".", system + L". .", f.Path() + L"\\\\System Folder Of Some Length", shortName,
        shortName + L"\\", f.Path(), f.Path() + L"\\", std::wstring(L"C:\\purlo-tests"), std::wstring(L"c:/PURLO-TESTS/")}) {
    EXPECT_TRUE(guard.Refuses(root)) << Narrow(root);
  }
  for (const std::wstring& root : {system + L"\\Temp", shortName + L"\\Temp", system + L"2", f / L"System",
                                   f / L"System Folder", std::wstring(L"C:\\windows\\Temp")}) {
    EXPECT_FALSE(guard.Refuses(root)) << Narrow(root);
  }
  // Named by its short form, the folder is still known by its long one.
  EXPECT_TRUE(ProtectedFolders({shortName}).Refuses(system));
  EXPECT_TRUE(ProtectedFolders({system + L"\\"}).Refuses(Lower(f.Path())));
}

TEST(ProtectedFolders, RealLocationsBehindLinksAreCompared) {
  ASSERT_TRUE(Exists(kLinks + L"\\system")) << "link fixtures missing: run through ctest";
  const ProtectedFolders guard({kLinks + L"\\system"});
  EXPECT_TRUE(guard.Refuses(kLinks + L"\\viasystem"));
  EXPECT_TRUE(guard.Refuses(kLinks + L"\\uplinks\\protected"));  // C:\links\protected, above it
  EXPECT_FALSE(guard.Refuses(kLinks + L"\\viasystem\\inside"));
  // A protected folder that is itself a link (as Documents is under Wine) is
  // known by where it leads too.
  EXPECT_TRUE(ProtectedFolders({kLinks + L"\\viasystem"}).Refuses(kLinks + L"\\system"));
}

TEST(ProtectedFolders, TheMachinesOwnFoldersAreAllKnown) {
  WindowsLookups lookups;
  const ProtectedFolders guard(lookups.SystemFolders());
  std::vector<std::wstring> system;
  for (int csidl : {CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_COMMON_APPDATA,
                    CSIDL_PROFILE, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA}) {
    system.push_back(SpecialFolder(csidl));
    ASSERT_FALSE(system.back().empty()) << csidl;
  }
  wchar_t profiles[MAX_PATH];
  DWORD size = MAX_PATH;
  ASSERT_TRUE(::GetProfilesDirectoryW(profiles, &size));
  system.push_back(profiles);
  // The 64-bit Program Files, which a 32-bit program is not told of by the shell.
  const std::wstring programFiles64 = Expand(L"%ProgramW6432%");
  if (programFiles64.find(L'%') == std::wstring::npos) system.push_back(programFiles64);
  system.push_back(L"C:\\users");
  for (const std::wstring& folder : system) {
    EXPECT_TRUE(guard.Refuses(folder)) << Narrow(folder);
    EXPECT_TRUE(guard.Refuses(folder + L"\\")) << Narrow(folder);
  }
  for (const std::wstring& junk : {TempPath(), SpecialFolder(CSIDL_WINDOWS) + L"\\Temp",
                                   SpecialFolder(CSIDL_WINDOWS) + L"\\Prefetch", SpecialFolder(CSIDL_INTERNET_CACHE),
                                   SpecialFolder(CSIDL_COOKIES), Expand(L"%USERPROFILE%\\Recent"),
                                   SpecialFolder(CSIDL_APPDATA) + L"\\Tencent\\QQPlayer",
                                   std::wstring(L"C:\\purlo-tests\\anything")}) {
    EXPECT_FALSE(guard.Refuses(junk)) << Narrow(junk);
  }
}

namespace {

// The machine as the judge asks it: one system folder, the cleaned user's
// profile and another user's, all of our own.
struct JudgeLookups : WindowsLookups {
  std::wstring system, profile, other;
  std::vector<std::wstring> SystemFolders() override { return {system}; }
  bool ProfileFolder(std::wstring& out) override {
    out = profile;
    return true;
  }
  std::vector<std::wstring> OtherProfileFolders() override { return {other}; }
};

struct Verdict {
  Judgement judgement;
  RootRefusal why;
};

Verdict Judge(RootJudge& judge, const std::wstring& path, RootClass rootClass, bool file = false) {
  ResolvedRoot root;
  RootRefusal why = RootRefusal::Protected;
  Judgement judgement = judge.Resolve(path, rootClass, file, root, why);
  return {judgement, judgement == Judgement::Refused ? why : RootRefusal::Protected};
}

}  // namespace

// Each class's rule, on the handle: per-user roots inside the profile and
// nowhere else, machine roots real folders where they were built, and every
// spelling that reads otherwise than written refused before anything opens.
TEST(ProtectedFolders, TheJudgeRefusesEachRootThatBreaksItsClassRuleWithItsReason) {
  TestFolder f(L"judge");
  JudgeLookups lookups;
  lookups.system = f / L"sys";
  lookups.profile = f / L"profile";
  lookups.other = f / L"other";
  for (const wchar_t* folder : {L"sys\\drivers", L"profile\\Temp\\sub", L"other\\Temp", L"machine\\sub", L"outside"}) {
    MakeFolders(f / folder);
  }
  WriteFile(f / L"profile\\Temp\\history.dat", 3);
  auto guard = std::make_shared<const ProtectedFolders>(
      std::vector<std::wstring>{lookups.system, lookups.profile});
  RootJudge judge(guard, &lookups);
  const RootRefusal kAny = RootRefusal::Protected;
  struct Case {
    std::wstring path;
    RootClass rootClass;
    Judgement judgement;
    RootRefusal why;
  };
  const std::vector<Case> cases = {
      {f / L"profile\\Temp", RootClass::PerUser, Judgement::Ready, kAny},
      {f / L"profile\\Temp\\", RootClass::PerUser, Judgement::Ready, kAny},
      {f / L"sys\\drivers", RootClass::PerUser, Judgement::Refused, RootRefusal::OutsideProfile},
      {f / L"outside", RootClass::PerUser, Judgement::Refused, RootRefusal::OutsideProfile},
      {f / L"profile", RootClass::PerUser, Judgement::Refused, RootRefusal::Protected},
      {f / L"sys", RootClass::Machine, Judgement::Refused, RootRefusal::Protected},
      {f.Path(), RootClass::PerUser, Judgement::Refused, RootRefusal::AboveProtected},
      {f / L"other\\Temp", RootClass::PerUser, Judgement::Refused, RootRefusal::OtherProfile},
      {f / L"other\\Temp", RootClass::Machine, Judgement::Refused, RootRefusal::OtherProfile},
      {f / L"other", RootClass::ApplicationFile, Judgement::Refused, RootRefusal::OtherProfile},
      {f / L"machine", RootClass::Machine, Judgement::Ready, kAny},
      {f / L"sys\\drivers", RootClass::Machine, Judgement::Ready, kAny},
      {f / L"missing", RootClass::Machine, Judgement::Missing, kAny},
      // A link: C:\links\scan\root\dirlink leads to ..\outside\canarydir.
      {L"C:\\links\\scan\\root\\dirlink", RootClass::Machine, Judgement::Refused, RootRefusal::Link},
      {f / L"machine:stream", RootClass::Machine, Judgement::Refused, RootRefusal::BadSpelling},
      {f / L"machine \\sub", RootClass::Machine, Judgement::Refused, RootRefusal::BadSpelling},
      {f / L"machine.", RootClass::Machine, Judgement::Refused, RootRefusal::BadSpelling},
      {f / L"machine\\..\\sys", RootClass::Machine, Judgement::Refused, RootRefusal::BadSpelling},
      {L"machine", RootClass::Machine, Judgement::Refused, RootRefusal::BadSpelling},
      {L"", RootClass::PerUser, Judgement::Refused, RootRefusal::BadSpelling},
      {L"C:\\", RootClass::Machine, Judgement::Refused, RootRefusal::AboveProtected},
  };
  for (const Case& c : cases) {
    const Verdict verdict = Judge(judge, c.path, c.rootClass);
    EXPECT_EQ(verdict.judgement, c.judgement) << Narrow(c.path);
    EXPECT_EQ(verdict.why, c.why) << Narrow(c.path);
  }
  // A single file: its folder is judged.
  EXPECT_EQ(Judge(judge, f / L"profile\\Temp\\history.dat", RootClass::PerUser, true).judgement, Judgement::Ready);
  EXPECT_EQ(Judge(judge, f / L"outside\\history.dat", RootClass::ApplicationFile, true).judgement, Judgement::Ready);
  const Verdict inOther = Judge(judge, f / L"other\\Temp\\history.dat", RootClass::ApplicationFile, true);
  EXPECT_EQ(inOther.judgement, Judgement::Refused);
  EXPECT_EQ(inOther.why, RootRefusal::OtherProfile);
  // Every root that was looked at was opened once.
  EXPECT_EQ(judge.RootOpens(), 17u);

  // A root inside another root of the task is walked as part of it.
  std::vector<ResolvedRoot> roots(3);
  RootRefusal why;
  ASSERT_EQ(judge.Resolve(f / L"machine\\sub", RootClass::Machine, false, roots[0], why), Judgement::Ready);
  ASSERT_EQ(judge.Resolve(f / L"machine", RootClass::Machine, false, roots[1], why), Judgement::Ready);
  ASSERT_EQ(judge.Resolve(f / L"MACHINE\\", RootClass::Machine, false, roots[2], why), Judgement::Ready);
  const std::vector<const ResolvedRoot*> walked = OutermostRoots(roots);
  ASSERT_EQ(walked.size(), 1u);
  EXPECT_EQ(walked[0], &roots[1]);
}

#include "tests/e2e/Seeds.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "engine/core/Catalogue.h"
#include "engine/core/Texts.h"
#include "tests/support/Fixtures.h"
#include "win/Handles.h"

namespace testing_support {

namespace {

const wchar_t kTypedUrls[] = L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
const wchar_t kRunMru[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
const wchar_t kSearch[] = L"Software\\Microsoft\\Search Assistant\\ACMru\\5603";
const wchar_t kQq5[] = L"Software\\Tencent\\QQToolbar\\History";
const wchar_t kQq6[] = L"Software\\AppDataLow\\Tencent\\QQToolbar\\History";
const wchar_t kBaidu[] = L"Software\\baidu\\BaiduToolbar\\History";
const wchar_t kMaxthon[] = L"Software\\Maxthon2";
const wchar_t kTheWorld[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";
const wchar_t kStorm[] = L"Software\\storm";

std::wstring Windows() { return SpecialFolder(CSIDL_WINDOWS); }
std::wstring AppData() { return Expand(L"%APPDATA%"); }
std::wstring CommonAppData() { return SpecialFolder(CSIDL_COMMON_APPDATA); }

// Empties `folder` and writes the files (relative name, size) into it.
void Lay(const std::wstring& folder, const std::vector<std::pair<std::wstring, uint64_t>>& files) {
  MakeFolders(folder);
  EmptyFolder(folder);
  for (const auto& f : files) WriteFile(folder + L"\\" + f.first, f.second);
}

void Values(const wchar_t* key, int count) {
  DeleteKeyTree(HKEY_CURRENT_USER, key);
  for (int i = 0; i < count; ++i) SetString(HKEY_CURRENT_USER, key, L"url" + std::to_wstring(i + 1), L"http://x/");
  // A subkey with values of its own: never counted, never removed.
  SetString(HKEY_CURRENT_USER, std::wstring(key) + L"\\Keep", L"nested", L"stays");
}


Expected SystemTemp(int) {
  Lay(TempPath(), {{L"a.tmp", 100}, {L"sub\\b.tmp", 200}});
  Lay(Windows() + L"\\Temp", {{L"c.tmp", 300}});
  return {L"系统临时文件(3个文件,600.000B)", 3, 600};
}
std::vector<std::wstring> SystemTempRoots(int) { return {TempPath(), Windows() + L"\\Temp"}; }

Expected Prefetch(int) {
  Lay(Windows() + L"\\Prefetch", {{L"APP.EXE-1234.pf", 1024}, {L"B.pf", 512}});
  return {L"系统预读文件(2个文件,1.500KB)", 2, 1536};
}
std::vector<std::wstring> PrefetchRoots(int) { return {Windows() + L"\\Prefetch"}; }

Expected RecycleBin(int) {
  EmptyRecycleBin();
  const std::wstring f = L"C:\\purlo-tests\\to-recycle";
  Lay(f, {{L"one", 512}, {L"two", 512}, {L"three", 512}});
  Recycle({f + L"\\one", f + L"\\two", f + L"\\three"});
  return {L"回收站(3个文件,1.500KB)", 3, 1536};
}
std::vector<std::wstring> NoRoots(int) { return {}; }

Expected IeTemp(int) {
  Lay(SpecialFolder(CSIDL_INTERNET_CACHE), {{L"Content.IE5\\ABCD\\page[1].htm", 4096}, {L"index.dat", 1024}});
  return {L"Internet Explorer 临时文件(2个文件,5.000KB)", 2, 5120};
}
std::vector<std::wstring> IeTempRoots(int) { return {SpecialFolder(CSIDL_INTERNET_CACHE)}; }

Expected IeTypedUrls(int) {
  Values(kTypedUrls, 5);
  return {L"Internet Explorer 地址栏历史网址(5项)", 5, 0};
}

Expected IeCookies(int) {
  Lay(SpecialFolder(CSIDL_COOKIES), {{L"me@site[1].txt", 100}});
  return {L"Internet Explorer Cookies(1个文件,100.000B)", 1, 100};
}
std::vector<std::wstring> IeCookiesRoots(int) { return {SpecialFolder(CSIDL_COOKIES)}; }

Expected DownloadedPrograms(int) {
  Lay(Windows() + L"\\Downloaded Program Files", {{L"control.ocx", 2048}, {L"control.inf", 100}});
  return {L"已下载程序文件(2个文件,2.098KB)", 2, 2148};
}
std::vector<std::wstring> DownloadedRoots(int) { return {Windows() + L"\\Downloaded Program Files"}; }

Expected UpdateDownloads(int) {
  Lay(Windows() + L"\\SoftwareDistribution\\Download", {{L"abc\\update.cab", 1048576}, {L"abc\\x.xml", 1048576}});
  return {L"系统自动更新补丁(2个文件,2.000MB)", 2, 2097152};
}
std::vector<std::wstring> UpdateRoots(int) { return {Windows() + L"\\SoftwareDistribution\\Download"}; }

Expected OfficeSetupCache(int) {
  Lay(L"C:\\MSOCache", {{L"All Users\\{GUID}\\setup.msi", 3000}});
  return {L"Office 安装文件(1个文件,2.930KB)", 1, 3000};
}
std::vector<std::wstring> OfficeRoots(int) { return {L"C:\\MSOCache"}; }

// Windows 7's jump lists in the Recent folder: every program's pinned items
// and Quick Access's pinned folders. Neither counted nor swept.
const wchar_t* const kJumpLists[] = {L"AutomaticDestinations\\5f7b5f1e01b83767.automaticDestinations-ms",
                                     L"AutomaticDestinations\\f01b4d95cf55d32a.automaticDestinations-ms",
                                     L"CustomDestinations\\7e4dca80246863e3.customDestinations-ms"};

std::vector<std::wstring> JumpListPaths() {
  const std::wstring recent = Expand(L"%USERPROFILE%") + L"\\Recent";
  std::vector<std::wstring> paths = {recent + L"\\AutomaticDestinations", recent + L"\\CustomDestinations"};
  for (const wchar_t* file : kJumpLists) paths.push_back(recent + L"\\" + file);
  return paths;
}

Expected RecentDocs(int) {
  Lay(Expand(L"%USERPROFILE%") + L"\\Recent", {{L"doc.lnk", 300}, {L"pic.lnk", 300}, {kJumpLists[0], 7000},
                                               {kJumpLists[1], 9000}, {kJumpLists[2], 11000}});
  return {L"开始菜单最近打开的文档(2个文件,600.000B)", 2, 600};
}
std::vector<std::wstring> RecentRoots(int) { return {Expand(L"%USERPROFILE%") + L"\\Recent"}; }

Expected RunHistory(int) {
  Values(kRunMru, 3);
  SetString(HKEY_CURRENT_USER, kRunMru, L"MRUList", L"cba");
  return {L"开始菜单\"运行\"对话框记录(重启生效)(4项)", 4, 0};
}

Expected SearchHistory(int) {
  Values(kSearch, 2);
  return {L"Windows 搜索历史记录(2项)", 2, 0};
}

std::wstring Profiles() { return AppData() + L"\\Mozilla\\Firefox\\Profiles"; }
Expected FirefoxHistory(int) {
  Lay(Profiles(), {{L"aaaa.work\\places.sqlite", 999}, {L"bbbb.default\\places.sqlite", 2000},
                   {L"cccc.other\\places.sqlite", 5}});
  return {L"火狐浏览器历史记录(1个文件,1.953KB)", 1, 2000};
}
std::vector<std::wstring> FirefoxRoots(int) { return {Profiles() + L"\\bbbb.default"}; }

Expected MaxthonHistory(int) {
  DeleteKeyTree(HKEY_CURRENT_USER, kMaxthon);
  SetString(HKEY_CURRENT_USER, kMaxthon, L"Folder", L"C:\\Maxthon2\\");
  Lay(L"C:\\Maxthon2", {{L"SharedAccount\\Data\\history2.dat", 4096}, {L"SharedAccount\\Data\\other.dat", 7}});
  return {L"遨游浏览器历史记录(1个文件,4.000KB)", 1, 4096};
}
std::vector<std::wstring> MaxthonRoots(int) { return {}; }

Expected TheWorldHistory(int) {
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
  SetString(HKEY_LOCAL_MACHINE, kTheWorld, L"Path", L"C:\\TheWorld");
  Lay(L"C:\\TheWorld\\data", {{L"history.dat", 10}, {L"cache\\x", 20}});
  return {L"世界之窗浏览记录(2个文件,30.000B)", 2, 30};
}
std::vector<std::wstring> TheWorldRoots(int) { return {L"C:\\TheWorld\\data"}; }

Expected QqToolbarHistory(int version) {
  DeleteKeyTree(HKEY_CURRENT_USER, kQq5);
  DeleteKeyTree(HKEY_CURRENT_USER, kQq6);
  Values(version == 5 ? kQq5 : kQq6, 3);
  return {L"QQ 工具栏搜索记录(3项)", 3, 0};
}

Expected BaiduToolbarHistory(int) {
  Values(kBaidu, 6);
  return {L"百度工具栏搜索记录(6项)", 6, 0};
}

std::wstring GoogleHistory() { return SpecialFolder(CSIDL_APPDATA) + L"\\Google\\Local Search History"; }
Expected GoogleToolbarHistory(int) {
  Lay(GoogleHistory(), {{L"a", 1000}, {L"b", 280}});
  return {L"Google工具栏搜索记录(2个文件,1.250KB)", 2, 1280};
}
std::vector<std::wstring> GoogleRoots(int) { return {GoogleHistory()}; }

std::wstring RealHistory() { return AppData() + L"\\Real\\RealPlayer\\History"; }
Expected RealPlayerHistory(int) {
  Lay(RealHistory(), {{L"h1.rpl", 10}});
  return {L"RealPlayer历史记录(1个文件,10.000B)", 1, 10};
}
std::vector<std::wstring> RealRoots(int) { return {RealHistory()}; }

Expected StormPlayerHistory(int) {
  DeleteKeyTree(HKEY_CURRENT_USER, kStorm);
  SetString(HKEY_CURRENT_USER, kStorm, L"exepath", L"C:\\Storm\\Storm.exe");
  Lay(L"C:\\Storm", {{L"playlist.smpl", 400}, {L"Storm.exe", 9}});
  Lay(CommonAppData() + L"\\Storm", {{L"playlist.smpl", 300}, {L"config.xml", 2000}});
  return {L"暴风影音历史记录(3个文件,2.637KB)", 3, 2700};
}
std::vector<std::wstring> StormRoots(int) { return {}; }

std::wstring QqPlayer() { return AppData() + L"\\Tencent\\QQPlayer"; }
Expected QqPlayerHistory(int version) {
  if (version == 5) {
    Lay(SpecialFolder(CSIDL_APPDATA) + L"\\Tencent\\QQPlayer", {{L"default.qpl", 123}, {L"other.qpl", 1}});
    return {L"QQ 影音历史记录(1个文件,123.000B)", 1, 123};
  }
  Lay(QqPlayer(), {{L"list.qpl", 100}, {L"QPUpdate\\u.bin", 200}, {L"QPLyric\\l.lrc", 300}});
  return {L"QQ 影音历史记录(3个文件,600.000B)", 3, 600};
}
std::vector<std::wstring> QqPlayerRoots(int version) {
  return version == 5 ? std::vector<std::wstring>{} : std::vector<std::wstring>{QqPlayer()};
}

std::wstring Kankan(int version) {
  return version == 5 ? CommonAppData() + L"\\Thunder Network\\XMP\\Playlists"
                      : AppData() + L"\\Microsoft\\Windows\\Cookies\\Low\\Thunder Network\\KanKan\\Cookie";
}
Expected KankanHistory(int version) {
  Lay(Kankan(version), {{L"c1", 50}, {L"deep\\c2", 50}});
  return {L"迅雷看看历史目录(2个文件,100.000B)", 2, 100};
}
std::vector<std::wstring> KankanRoots(int version) { return {Kankan(version)}; }

}  // namespace

void PrintTo(const CategoryCase& c, std::ostream* os) { *os << std::string(c.id, c.id + wcslen(c.id)); }

const std::vector<CategoryCase>& AllCases() {
  static const std::vector<CategoryCase> cases = {
      {L"SystemTemp", SystemTemp, SystemTempRoots},
      {L"Prefetch", Prefetch, PrefetchRoots},
      {L"RecycleBin", RecycleBin, NoRoots},
      {L"IeTemp", IeTemp, IeTempRoots},
      {L"IeTypedUrls", IeTypedUrls, NoRoots},
      {L"IeCookies", IeCookies, IeCookiesRoots},
      {L"DownloadedPrograms", DownloadedPrograms, DownloadedRoots},
      {L"UpdateDownloads", UpdateDownloads, UpdateRoots},
      {L"OfficeSetupCache", OfficeSetupCache, OfficeRoots},
      {L"RecentDocs", RecentDocs, RecentRoots},
      {L"RunHistory", RunHistory, NoRoots},
      {L"SearchHistory", SearchHistory, NoRoots},
      {L"FirefoxHistory", FirefoxHistory, FirefoxRoots},
      {L"MaxthonHistory", MaxthonHistory, MaxthonRoots},
      {L"TheWorldHistory", TheWorldHistory, TheWorldRoots},
      {L"QqToolbarHistory", QqToolbarHistory, NoRoots},
      {L"BaiduToolbarHistory", BaiduToolbarHistory, NoRoots},
      {L"GoogleToolbarHistory", GoogleToolbarHistory, GoogleRoots},
      {L"RealPlayerHistory", RealPlayerHistory, RealRoots},
      {L"StormPlayerHistory", StormPlayerHistory, StormRoots},
      {L"QqPlayerHistory", QqPlayerHistory, QqPlayerRoots},
      {L"KankanHistory", KankanHistory, KankanRoots},
  };
  return cases;
}

void ClearAllLocations(int version) {
  EmptyRecycleBin();
  for (const wchar_t* key : {kTypedUrls, kRunMru, kSearch, kQq5, kQq6, kBaidu, kMaxthon, kStorm}) {
    DeleteKeyTree(HKEY_CURRENT_USER, key);
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
  for (const CategoryCase& c : AllCases()) {
    for (const std::wstring& root : c.roots(version)) EmptyFolder(root);
  }
  EmptyFolder(Profiles());
  EmptyFolder(L"C:\\Storm");
  EmptyFolder(CommonAppData() + L"\\Storm");
  EmptyFolder(SpecialFolder(CSIDL_APPDATA) + L"\\Tencent\\QQPlayer");
  EmptyFolder(L"C:\\Maxthon2");
}

std::wstring SweepLabel(const wchar_t* id, const std::wstring& scanLabel) {
  purlo::JunkCategory category;
  if (!purlo::FindCategory(id, category)) return L"?";
  const std::wstring task = purlo::Info(category).taskLabel;
  return task + purlo::texts::kSweptOpening + scanLabel.substr(task.size() + 1);
}

std::wstring SentinelFor(const std::wstring& root, const std::wstring& tag) {
  const std::wstring trimmed = root.back() == L'\\' ? root.substr(0, root.size() - 1) : root;
  const size_t cut = trimmed.rfind(L'\\');
  return trimmed.substr(0, cut) + L"\\" + tag + trimmed.substr(cut + 1) + L".txt";
}

std::vector<std::wstring> NestedRoots(const CategoryCase& c, int version) {
  if (wcscmp(c.id, L"RecentDocs") == 0) return JumpListPaths();
  const std::vector<std::wstring> roots = c.roots(version);
  if (wcscmp(c.id, L"QqPlayerHistory") != 0 || roots.empty()) return {};
  return {roots[0] + L"\\QPUpdate", roots[0] + L"\\QPLyric"};
}

bool IsEmptyFolder(const std::wstring& path, const std::vector<std::wstring>& keptRoots) {
  WIN32_FIND_DATAW entry;
  const std::wstring folder = path.back() == L'\\' ? path : path + L"\\";
  win::UniqueFind listing(::FindFirstFileW((folder + L"*").c_str(), &entry));
  if (!listing) return false;
  do {
    if (wcscmp(entry.cFileName, L".") == 0 || wcscmp(entry.cFileName, L"..") == 0) continue;
    const std::wstring inner = folder + entry.cFileName;
    const bool kept = std::any_of(keptRoots.begin(), keptRoots.end(),
                                  [&](const std::wstring& root) { return _wcsicmp(root.c_str(), inner.c_str()) == 0; });
    if (!kept || ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !IsEmptyFolder(inner, keptRoots))) {
      return false;
    }
  } while (::FindNextFileW(listing.Get(), &entry));
  return true;
}

namespace {

// Whether nothing more fits where `path` would be written.
bool Full(const std::wstring& path) {
  win::UniqueFile probe(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  const bool wrote = probe && ::WriteFile(probe.Get(), "p", 1, &written, nullptr) && written == 1;
  probe.Reset();
  ::DeleteFileW(path.c_str());
  return !wrote;
}

}  // namespace

void FillSmallDrive() {
  ASSERT_TRUE(Exists(L"T:\\")) << "the small drive is missing: run through ctest";
  win::UniqueFile filler(::CreateFileW(L"T:\\filler", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(filler.Valid());
  const std::string chunk(4096, 'f');
  DWORD written = 0;
  while (::WriteFile(filler.Get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) &&
         written == chunk.size()) {
  }
  ASSERT_TRUE(Full(L"T:\\probe")) << "T: is not full";
}

}  // namespace testing_support

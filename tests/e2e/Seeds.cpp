#include "tests/e2e/Seeds.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>

#include "engine/core/Catalogue.h"
#include "engine/core/Texts.h"
#include "tests/support/CliRun.h"
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

// Today's caches, laid out as a Windows 10 machine has them. Beside the
// junk each seed lays what the category never touches (a browser's own
// data, an editor's unsaved files, live logs, young dumps); those count
// nothing and stay, so a root holding them is not among the emptied ones.
std::wstring Local() { return SpecialFolder(CSIDL_LOCAL_APPDATA); }
std::wstring LocalLow() { return Expand(L"%USERPROFILE%") + L"\\AppData\\LocalLow"; }
std::wstring ChromeData() { return Local() + L"\\Google\\Chrome\\User Data"; }
std::wstring EdgeData() { return Local() + L"\\Microsoft\\Edge\\User Data"; }
std::wstring BraveData() { return Local() + L"\\BraveSoftware\\Brave-Browser\\User Data"; }
std::wstring OperaCaches() { return Local() + L"\\Opera Software\\Opera Stable"; }
std::wstring FirefoxLocal() { return Local() + L"\\Mozilla\\Firefox\\Profiles\\abcd.default-release"; }
std::wstring MachineWer() { return CommonAppData() + L"\\Microsoft\\Windows\\WER"; }
std::wstring Packages() { return Local() + L"\\Packages"; }
std::wstring NewTeams() {
  return Packages() + L"\\MSTeams_8wekyb3d8bbwe\\LocalCache\\Microsoft\\MSTeams\\EBWebView";
}
const wchar_t kComDlg[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32";
const wchar_t kTypedPaths[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths";

// Both dates `days` in the past (a negative count: in the future).
void Aged(const std::wstring& path, int days) {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER t;
  t.LowPart = now.dwLowDateTime;
  t.HighPart = now.dwHighDateTime;
  t.QuadPart -= static_cast<ULONGLONG>(static_cast<LONGLONG>(days) * 24 * 3600 * 10000000LL);
  FILETIME then{t.LowPart, t.HighPart};
  win::UniqueFile file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(file.Valid()) << Narrow(path);
  ASSERT_TRUE(::SetFileTime(file.Get(), &then, nullptr, &then));
}

Expected ChromeCache(int) {
  Lay(ChromeData(), {{L"Local State", 50}, {L"lockfile", 0}, {L"Default\\Preferences", 10}, {L"Default\\History", 20},
                     {L"Default\\Login Data", 30}, {L"Default\\Network\\Cookies", 40},
                     {L"Default\\Cache\\Cache_Data\\f_000001", 256}, {L"Default\\Cache\\Cache_Data\\index", 128},
                     {L"Default\\Code Cache\\js\\index-dir\\the-real-index", 128}, {L"Profile 1\\Preferences", 10},
                     {L"Profile 1\\GPUCache\\data_0", 256}, {L"NotAProfile\\Cache\\x", 99},
                     {L"ShaderCache\\GPUCache\\data_1", 128}, {L"Crashpad\\reports\\abc.dmp", 128},
                     {L"Crashpad\\settings.dat", 7}});
  return {L"Chrome 浏览器缓存(6个文件,1.000KB)", 6, 1024};
}
std::vector<std::wstring> ChromeRoots(int) {
  const std::wstring d = ChromeData();
  return {d + L"\\Default\\Cache", d + L"\\Default\\Code Cache", d + L"\\Profile 1\\GPUCache", d + L"\\ShaderCache",
          d + L"\\Crashpad\\reports"};
}

Expected EdgeCache(int) {
  Lay(EdgeData(), {{L"Default\\Preferences", 5}, {L"Default\\Cache\\Cache_Data\\data_0", 512},
                   {L"Default\\Service Worker\\CacheStorage\\x", 77}, {L"GrShaderCache\\y", 512}});
  return {L"Edge 浏览器缓存(2个文件,1.000KB)", 2, 1024};
}
std::vector<std::wstring> EdgeRoots(int) { return {EdgeData() + L"\\Default\\Cache", EdgeData() + L"\\GrShaderCache"}; }

Expected ChromiumCaches(int) {
  Lay(BraveData(), {{L"Default\\Preferences", 5}, {L"Default\\Code Cache\\wasm\\a", 300}});
  Lay(OperaCaches(), {{L"Cache\\Cache_Data\\b", 200}});
  Lay(AppData() + L"\\Opera Software\\Opera Stable", {{L"Bookmarks", 9}, {L"Preferences", 9}});
  return {L"其他 Chromium 内核浏览器缓存(2个文件,500.000B)", 2, 500};
}
std::vector<std::wstring> ChromiumRoots(int) { return {BraveData() + L"\\Default\\Code Cache", OperaCaches() + L"\\Cache"}; }

Expected FirefoxCache(int) {
  Lay(FirefoxLocal(), {{L"cache2\\entries\\E1", 700}, {L"startupCache\\startupCache.8.little", 300},
                       {L"times.json", 9}});
  return {L"火狐浏览器缓存(2个文件,1000.000B)", 2, 1000};
}
std::vector<std::wstring> FirefoxCacheRoots(int) {
  return {FirefoxLocal() + L"\\cache2", FirefoxLocal() + L"\\startupCache"};
}

Expected ShaderCaches(int version) {
  Lay(Local() + L"\\D3DSCache", {{L"a\\b.idx", 100}});
  Lay(Local() + L"\\NVIDIA\\DXCache", {{L"c", 100}});
  Lay(CommonAppData() + L"\\NVIDIA Corporation", {{L"NV_Cache\\e", 100}, {L"Drs\\nvdrsdb0.bin", 9}});
  Lay(Local() + L"\\AMD", {{L"DxCache\\f", 100}, {L"CN\\gmdb", 9}});
  if (version == 5) return {L"显卡着色器缓存(4个文件,400.000B)", 4, 400};
  Lay(LocalLow() + L"\\NVIDIA\\PerDriverVersion\\DXCache", {{L"d", 100}});
  return {L"显卡着色器缓存(5个文件,500.000B)", 5, 500};
}
std::vector<std::wstring> ShaderRoots(int version) {
  std::vector<std::wstring> roots = {Local() + L"\\D3DSCache", Local() + L"\\NVIDIA\\DXCache",
                                     CommonAppData() + L"\\NVIDIA Corporation\\NV_Cache", Local() + L"\\AMD\\DxCache"};
  if (version == 6) roots.push_back(LocalLow() + L"\\NVIDIA\\PerDriverVersion\\DXCache");
  return roots;
}

Expected CrashDumps(int) {
  const std::wstring user = Local() + L"\\CrashDumps";
  Lay(user, {{L"app.exe.1.dmp", 300}, {L"new.dmp", 50}, {L"notes.txt", 10}});
  Aged(user + L"\\app.exe.1.dmp", 15);
  Aged(user + L"\\notes.txt", 15);
  Lay(Windows() + L"\\Minidump", {{L"010126-01.dmp", 200}});
  Aged(Windows() + L"\\Minidump\\010126-01.dmp", 15);
  Lay(Windows() + L"\\LiveKernelReports", {{L"WATCHDOG\\w.dmp", 100}});
  Aged(Windows() + L"\\LiveKernelReports\\WATCHDOG\\w.dmp", 15);
  // The system's full dump, the one file taken in the Windows folder itself.
  WriteFile(Windows() + L"\\MEMORY.DMP", 400);
  Aged(Windows() + L"\\MEMORY.DMP", 15);
  return {L"系统崩溃转储文件(4个文件,1000.000B)", 4, 1000};
}
std::vector<std::wstring> CrashRoots(int) { return {Windows() + L"\\Minidump", Windows() + L"\\LiveKernelReports"}; }

Expected ErrorReports(int) {
  Lay(MachineWer(), {{L"ReportArchive\\AppCrash_x\\Report.wer", 400}, {L"ReportQueue\\q\\Report.wer", 300},
                     {L"Temp\\t.tmp", 100}, {L"ERC\\x", 9}});
  Lay(Local() + L"\\Microsoft\\Windows\\WER", {{L"ReportArchive\\r\\Report.wer", 124}});
  Lay(Windows() + L"\\PCHealth\\ErrorRep", {{L"UserDumps\\x.hdmp", 100}});
  return {L"Windows 错误报告(5个文件,1.000KB)", 5, 1024};
}
std::vector<std::wstring> ErrorReportRoots(int) {
  return {MachineWer() + L"\\ReportArchive", MachineWer() + L"\\ReportQueue", MachineWer() + L"\\Temp",
          Local() + L"\\Microsoft\\Windows\\WER\\ReportArchive", Windows() + L"\\PCHealth\\ErrorRep"};
}

Expected DevToolCaches(int) {
  Lay(Local() + L"\\pip\\Cache", {{L"http\\a", 200}});
  Lay(Local() + L"\\npm-cache", {{L"_cacache\\b", 200}, {L"_cacache\\node_modules\\y", 9}});
  Lay(AppData() + L"\\npm-cache", {{L"c", 200}});
  Lay(AppData() + L"\\npm", {{L"node_modules\\x", 9}});
  Lay(Local() + L"\\NuGet\\v3-cache", {{L"d", 200}});
  Lay(Local() + L"\\Yarn\\Cache", {{L"e", 224}});
  return {L"开发工具下载缓存(5个文件,1.000KB)", 5, 1024};
}
std::vector<std::wstring> DevToolRoots(int) {
  return {Local() + L"\\pip\\Cache", AppData() + L"\\npm-cache", Local() + L"\\NuGet\\v3-cache", Local() + L"\\Yarn\\Cache"};
}

Expected StoreAppTemp(int) {
  const std::wstring store = Packages() + L"\\Microsoft.WindowsStore_8wekyb3d8bbwe";
  Lay(Packages(), {{L"Microsoft.WindowsStore_8wekyb3d8bbwe\\TempState\\a", 300},
                   {L"Microsoft.WindowsStore_8wekyb3d8bbwe\\AC\\Temp\\b", 200},
                   {L"Microsoft.WindowsStore_8wekyb3d8bbwe\\AC\\INetCache\\c", 24},
                   {L"Microsoft.WindowsStore_8wekyb3d8bbwe\\LocalState\\keep", 9},
                   {L"Microsoft.WindowsStore_8wekyb3d8bbwe\\AC\\INetCookies\\k", 9},
                   {L"Microsoft.WindowsStore_8wekyb3d8bbwe\\Settings\\settings.dat", 9},
                   {L"Other.App_1234\\TempState\\d", 500}});
  return {L"应用商店应用临时文件(4个文件,1.000KB)", 4, 1024};
}
std::vector<std::wstring> StoreAppRoots(int) {
  const std::wstring store = Packages() + L"\\Microsoft.WindowsStore_8wekyb3d8bbwe";
  return {store + L"\\TempState", store + L"\\AC\\Temp", store + L"\\AC\\INetCache",
          Packages() + L"\\Other.App_1234\\TempState"};
}

Expected AppCaches(int) {
  Lay(AppData() + L"\\discord", {{L"Cache\\Cache_Data\\data_1", 200}, {L"Code Cache\\js\\x", 100}, {L"modules\\m", 9}});
  Lay(AppData() + L"\\Code", {{L"CachedData\\abc\\x", 200}, {L"logs\\20260101\\main.log", 100},
                              {L"Backups\\ws\\untitled-1", 9}, {L"User\\settings.json", 9}});
  Lay(AppData() + L"\\Slack", {{L"Service Worker\\CacheStorage\\s", 200}, {L"Local Storage\\leveldb\\l", 9}});
  Lay(NewTeams(), {{L"Default\\Cache\\t", 224}, {L"Default\\Preferences", 9}});
  return {L"常用应用缓存(6个文件,1.000KB)", 6, 1024};
}
std::vector<std::wstring> AppCacheRoots(int) {
  return {AppData() + L"\\discord\\Cache", AppData() + L"\\discord\\Code Cache", AppData() + L"\\Code\\CachedData",
          AppData() + L"\\Code\\logs", AppData() + L"\\Slack\\Service Worker\\CacheStorage",
          NewTeams() + L"\\Default\\Cache"};
}

Expected WindowsLogs(int) {
  const std::wstring logs = Windows() + L"\\Logs";
  Lay(logs + L"\\CBS", {{L"CbsPersist_20260101.log", 300}, {L"CbsPersist_20260102.cab", 200}, {L"CBS.log", 9},
                        {L"CbsPersist_20261201.log", 9}});
  Lay(logs + L"\\DISM", {{L"dism.log", 200}});
  Lay(logs + L"\\MoSetup", {{L"setupact.log", 100}});
  Lay(logs + L"\\WindowsUpdate", {{L"WindowsUpdate.20260101.etl", 224}, {L"keep.txt", 9}});
  for (const wchar_t* old : {L"CBS\\CbsPersist_20260101.log", L"CBS\\CbsPersist_20260102.cab", L"CBS\\CBS.log",
                             L"DISM\\dism.log", L"MoSetup\\setupact.log", L"WindowsUpdate\\WindowsUpdate.20260101.etl",
                             L"WindowsUpdate\\keep.txt"}) {
    Aged(logs + L"\\" + old, 15);
  }
  Aged(logs + L"\\CBS\\CbsPersist_20261201.log", 13);
  return {L"Windows 日志文件(5个文件,1.000KB)", 5, 1024};
}
std::vector<std::wstring> WindowsLogRoots(int) {
  return {Windows() + L"\\Logs\\DISM", Windows() + L"\\Logs\\MoSetup"};
}

std::wstring DialogKey(const wchar_t* name) { return std::wstring(kComDlg) + L"\\" + name; }
Expected FileDialogHistory(int version) {
  DeleteKeyTree(HKEY_CURRENT_USER, kComDlg);
  DeleteKeyTree(HKEY_CURRENT_USER, kTypedPaths);
  const bool xp = version == 5;
  const std::wstring openSave = DialogKey(xp ? L"OpenSaveMRU" : L"OpenSavePidlMRU");
  const std::wstring lastVisited = DialogKey(xp ? L"LastVisitedMRU" : L"LastVisitedPidlMRU");
  for (const wchar_t* name : {L"MRUListEx", L"0"}) SetString(HKEY_CURRENT_USER, openSave, name, L"C:\\x.txt");
  for (const wchar_t* name : {L"MRUListEx", L"0", L"1"}) SetString(HKEY_CURRENT_USER, openSave + L"\\*", name, L"x");
  for (const wchar_t* name : {L"MRUListEx", L"0"}) SetString(HKEY_CURRENT_USER, openSave + L"\\txt", name, L"x");
  SetString(HKEY_CURRENT_USER, lastVisited, L"MRUListEx", L"app.exe");
  SetString(HKEY_CURRENT_USER, lastVisited, L"0", L"app.exe");
  if (xp) SetString(HKEY_CURRENT_USER, lastVisited, L"1", L"app.exe");
  // Another list of the dialogs, and the paths typed into Explorer on XP: left alone.
  SetString(HKEY_CURRENT_USER, DialogKey(L"CIDSizeMRU"), L"0", L"stays");
  if (xp) {
    SetString(HKEY_CURRENT_USER, kTypedPaths, L"url1", L"C:\\stays");
    return {L"文件对话框历史记录(10项)", 10, 0};
  }
  SetString(HKEY_CURRENT_USER, kTypedPaths, L"url1", L"C:\\gone");
  SetString(HKEY_CURRENT_USER, kTypedPaths, L"url2", L"D:\\gone");
  return {L"文件对话框历史记录(11项)", 11, 0};
}

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
      {L"ChromeCache", ChromeCache, ChromeRoots},
      {L"EdgeCache", EdgeCache, EdgeRoots},
      {L"ChromiumCaches", ChromiumCaches, ChromiumRoots},
      {L"FirefoxCache", FirefoxCache, FirefoxCacheRoots},
      {L"ShaderCaches", ShaderCaches, ShaderRoots},
      {L"CrashDumps", CrashDumps, CrashRoots},
      {L"ErrorReports", ErrorReports, ErrorReportRoots},
      {L"DevToolCaches", DevToolCaches, DevToolRoots},
      {L"StoreAppTemp", StoreAppTemp, StoreAppRoots},
      {L"AppCaches", AppCaches, AppCacheRoots},
      {L"WindowsLogs", WindowsLogs, WindowsLogRoots},
      {L"FileDialogHistory", FileDialogHistory, NoRoots},
  };
  return cases;
}

void ClearAllLocations(int version) {
  EmptyRecycleBin();
  for (const wchar_t* key : {kTypedUrls, kRunMru, kSearch, kQq5, kQq6, kBaidu, kMaxthon, kStorm}) {
    DeleteKeyTree(HKEY_CURRENT_USER, key);
  }
  DeleteKeyTree(HKEY_LOCAL_MACHINE, kTheWorld);
  DeleteKeyTree(HKEY_CURRENT_USER, kComDlg);
  DeleteKeyTree(HKEY_CURRENT_USER, kTypedPaths);
  ::DeleteFileW((Windows() + L"\\MEMORY.DMP").c_str());
  for (const std::wstring& folder : {ChromeData(), EdgeData(), BraveData(), OperaCaches(), FirefoxLocal(), Packages(),
                                     Local() + L"\\CrashDumps", Windows() + L"\\Logs\\CBS",
                                     Windows() + L"\\Logs\\WindowsUpdate", Local() + L"\\npm-cache"}) {
    EmptyFolder(folder);
  }
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

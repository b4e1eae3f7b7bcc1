#include "engine/core/Catalogue.h"

#include <shlobj.h>

#include <algorithm>

#include "engine/core/ModernRoots.h"
#include "engine/core/RootRules.h"
#include "engine/core/Texts.h"
#include "win/Text.h"

namespace purlo {

const wchar_t kRecycleBinMarker[] = L"回收站";

namespace {

using C = JunkCategory;
using M = CountingMethod;
using R = RootClass;

// The three texts of an item; most categories use one text for all three.
struct Labels {
  const wchar_t* startup;
  const wchar_t* bare;
  const wchar_t* task;
  constexpr Labels(const wchar_t* all) : startup(all), bare(all), task(all) {}
  constexpr Labels(const wchar_t* startupText, const wchar_t* bareText, const wchar_t* taskText)
      : startup(startupText), bare(bareText), task(taskText) {}
};

constexpr CategoryInfo Row(C id, int position, const wchar_t* identifier, Labels labels, bool recommended,
                           int runOrder, M method, Rows<RootRecipe> roots, const wchar_t* failureText,
                           Rows<KeyRecipe> keys = {}) {
  return CategoryInfo{id,          position, identifier, labels.startup, labels.bare, labels.task, recommended,
                      runOrder,    method,   roots,      keys,           failureText};
}

// A category of Windows' own clean-up handlers, of these names.
constexpr CategoryInfo DrivingHandlers(CategoryInfo info, NameList names, bool irreversible = false) {
  info.handlers = names;
  info.irreversible = irreversible;
  return info;
}

constexpr CategoryInfo NeverEntering(CategoryInfo info, NameList names) {
  info.neverEntered = names;
  return info;
}

// Root recipes, one constructor per source.
constexpr RootRecipe Known(int csidl, const wchar_t* tail, RootClass rootClass, int windows = 0) {
  return RootRecipe{RootSource::KnownFolder, rootClass, windows, csidl, nullptr, tail};
}
constexpr RootRecipe Variable(const wchar_t* variable, const wchar_t* tail, RootClass rootClass, int windows = 0) {
  return RootRecipe{RootSource::Variable, rootClass, windows, 0, variable, tail};
}
constexpr RootRecipe Marker(const wchar_t* name = nullptr) { return RootRecipe{RootSource::Marker, R::Marker, 0, 0, name}; }
constexpr RootRecipe Registry(Hive hive, const wchar_t* key, const wchar_t* value, const wchar_t* tail,
                              RootClass rootClass, uint8_t flags) {
  return RootRecipe{RootSource::RegistryValue, rootClass, 0, 0, key, tail, hive, value, nullptr, flags};
}
constexpr RootRecipe ByRule(RootRule rule, RootClass rootClass) {
  return RootRecipe{RootSource::Rule, rootClass, 0, 0, nullptr, L"", Hive::User, nullptr, rule};
}
constexpr RootRecipe Found(FoundRule rule, RootClass rootClass, const wchar_t* pattern = nullptr) {
  return RootRecipe{RootSource::Found, rootClass, 0, 0, nullptr, L"", Hive::User, nullptr, nullptr, 0, rule, pattern};
}
constexpr RootRecipe KnownFiles(int csidl, const wchar_t* tail, RootClass rootClass, const wchar_t* pattern) {
  return RootRecipe{RootSource::KnownFolder, rootClass, 0, csidl, nullptr, tail, Hive::User, nullptr, nullptr, 0,
                    nullptr, pattern};
}

// What the walks of a category never touch, and the age its files must reach.
constexpr CategoryInfo Leaving(CategoryInfo info, NameList neverTouched, unsigned minAgeMinutes = 0) {
  info.neverTouched = neverTouched;
  info.minAgeMinutes = minAgeMinutes;
  return info;
}

constexpr RootRecipe kSystemTempRoots[] = {{RootSource::UserTemp, R::PerUser},
                                           Known(CSIDL_WINDOWS, L"\\Temp", R::Machine)};
constexpr RootRecipe kPrefetchRoots[] = {Known(CSIDL_WINDOWS, L"\\Prefetch", R::Machine)};
constexpr RootRecipe kRecycleBinRoots[] = {Marker(kRecycleBinMarker)};
constexpr RootRecipe kHistoryKeyRoots[] = {Marker()};
constexpr RootRecipe kIeTempRoots[] = {Known(CSIDL_INTERNET_CACHE, L"", R::PerUser)};
constexpr RootRecipe kIeCookiesRoots[] = {Known(CSIDL_COOKIES, L"", R::PerUser)};
constexpr RootRecipe kDownloadedProgramsRoots[] = {Known(CSIDL_WINDOWS, L"\\Downloaded Program Files", R::Machine)};
constexpr RootRecipe kUpdateDownloadsRoots[] = {Known(CSIDL_WINDOWS, L"\\SoftwareDistribution\\Download", R::Machine)};
constexpr RootRecipe kOfficeSetupCacheRoots[] = {{RootSource::FixedDrives, R::Machine, 0, 0, nullptr, L"\\MSOCache"}};
constexpr RootRecipe kRecentDocsRoots[] = {Variable(L"%USERPROFILE%", L"\\Recent", R::PerUser)};
constexpr RootRecipe kFirefoxHistoryRoots[] = {ByRule(FirefoxPlaces, R::PerUser)};
constexpr RootRecipe kMaxthonHistoryRoots[] = {Registry(Hive::User, L"Software\\Maxthon2", L"Folder",
                                                        L"SharedAccount\\Data\\history2.dat", R::ApplicationFile,
                                                        recipe::kKeyMeansInstalled)};
constexpr RootRecipe kTheWorldHistoryRoots[] = {
    Registry(Hive::Machine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe", L"Path",
             L"data", R::Machine, recipe::kKeyMeansInstalled)};
constexpr RootRecipe kGoogleToolbarHistoryRoots[] = {Known(CSIDL_APPDATA, L"\\Google\\Local Search History", R::PerUser)};
constexpr RootRecipe kRealPlayerHistoryRoots[] = {Variable(L"%APPDATA%", L"\\Real\\RealPlayer\\History", R::PerUser)};
// The player's own list comes first, when its value names one.
constexpr RootRecipe kStormPlayerHistoryRoots[] = {
    Registry(Hive::User, L"Software\\storm", L"exepath", L"playlist.smpl", R::ApplicationFile, recipe::kValueNamesFile),
    Known(CSIDL_COMMON_APPDATA, L"\\Storm\\playlist.smpl", R::Machine),
    Known(CSIDL_COMMON_APPDATA, L"\\Storm\\config.xml", R::Machine)};
constexpr RootRecipe kQqPlayerHistoryRoots[] = {
    Known(CSIDL_APPDATA, L"\\Tencent\\QQPlayer\\default.qpl", R::PerUser, 5),
    Variable(L"%APPDATA%", L"\\Tencent\\QQPlayer", R::PerUser, 6),
    Variable(L"%APPDATA%", L"\\Tencent\\QQPlayer\\QPUpdate", R::PerUser, 6),
    Variable(L"%APPDATA%", L"\\Tencent\\QQPlayer\\QPLyric", R::PerUser, 6)};
constexpr RootRecipe kKankanHistoryRoots[] = {
    Known(CSIDL_COMMON_APPDATA, L"\\Thunder Network\\XMP\\Playlists", R::Machine, 5),
    Variable(L"%APPDATA%", L"\\Microsoft\\Windows\\Cookies\\Low\\Thunder Network\\KanKan\\Cookie", R::PerUser, 6)};

#ifdef PURLO_TEST_ROW
constexpr RootRecipe kTestRowRoots[] = {Known(CSIDL_LOCAL_APPDATA, L"\\PurloTestRow", R::PerUser)};
constexpr const wchar_t* kTestRowNeverEntered[] = {L"keep", nullptr};
#endif

constexpr KeyRecipe kIeTypedUrlsKeys[] = {{0, L"Software\\Microsoft\\Internet Explorer\\TypedURLs"}};
constexpr KeyRecipe kRunHistoryKeys[] = {{0, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU"}};
constexpr KeyRecipe kSearchHistoryKeys[] = {{0, L"Software\\Microsoft\\Search Assistant\\ACMru\\5603"}};
constexpr KeyRecipe kQqToolbarHistoryKeys[] = {{5, L"Software\\Tencent\\QQToolbar\\History"},
                                               {6, L"Software\\AppDataLow\\Tencent\\QQToolbar\\History"}};
constexpr KeyRecipe kBaiduToolbarHistoryKeys[] = {{0, L"Software\\baidu\\BaiduToolbar\\History"}};

// Today's caches. Per user unless classed Machine; a root that does not exist
// measures nothing, so no recipe is tied to a version (LocalLow has none on XP).
constexpr RootRecipe kChromeCacheRoots[] = {Found(ChromeCacheRoots, R::PerUser)};
constexpr RootRecipe kEdgeCacheRoots[] = {Found(EdgeCacheRoots, R::PerUser)};
constexpr RootRecipe kChromiumCachesRoots[] = {Found(OtherChromiumRoots, R::PerUser)};
constexpr RootRecipe kFirefoxCacheRoots[] = {Found(FirefoxCacheRoots, R::PerUser)};
constexpr RootRecipe kShaderCachesRoots[] = {
    Known(CSIDL_LOCAL_APPDATA, L"\\D3DSCache", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\NVIDIA\\DXCache", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\NVIDIA\\GLCache", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\NVIDIA Corporation\\NV_Cache", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\AMD\\DxCache", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\AMD\\DxcCache", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\AMD\\GLCache", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\AMD\\VkCache", R::PerUser),
    Found(LowShaderCacheRoots, R::PerUser),
    Known(CSIDL_COMMON_APPDATA, L"\\NVIDIA Corporation\\NV_Cache", R::Machine)};
constexpr wchar_t kDumps[] = L"*.dmp";
// The system's full dump: a machine file named in the Windows folder, the one
// single file the catalogue takes in a protected folder (RootJudge allows it by name).
constexpr RootRecipe kCrashDumpsRoots[] = {{RootSource::Found, R::Machine, 0, 0, nullptr, L"", Hive::User, nullptr,
                                            nullptr, recipe::kOneFile, MemoryDumpRoots, kDumps},
                                           Found(MinidumpRoots, R::Machine, kDumps),
                                           KnownFiles(CSIDL_WINDOWS, L"\\LiveKernelReports", R::Machine, kDumps),
                                           KnownFiles(CSIDL_LOCAL_APPDATA, L"\\CrashDumps", R::PerUser, kDumps)};
constexpr RootRecipe kErrorReportsRoots[] = {
    Known(CSIDL_COMMON_APPDATA, L"\\Microsoft\\Windows\\WER\\ReportArchive", R::Machine),
    Known(CSIDL_COMMON_APPDATA, L"\\Microsoft\\Windows\\WER\\ReportQueue", R::Machine),
    Known(CSIDL_COMMON_APPDATA, L"\\Microsoft\\Windows\\WER\\Temp", R::Machine),
    Known(CSIDL_WINDOWS, L"\\PCHealth\\ErrorRep", R::Machine),
    Known(CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\WER\\ReportArchive", R::PerUser),
    Known(CSIDL_LOCAL_APPDATA, L"\\Microsoft\\Windows\\WER\\ReportQueue", R::PerUser)};
constexpr RootRecipe kDevToolCachesRoots[] = {Known(CSIDL_LOCAL_APPDATA, L"\\pip\\Cache", R::PerUser),
                                              Known(CSIDL_LOCAL_APPDATA, L"\\npm-cache", R::PerUser),
                                              Known(CSIDL_APPDATA, L"\\npm-cache", R::PerUser),
                                              Known(CSIDL_LOCAL_APPDATA, L"\\NuGet\\v3-cache", R::PerUser),
                                              Known(CSIDL_LOCAL_APPDATA, L"\\NuGet\\plugins-cache", R::PerUser),
                                              Known(CSIDL_LOCAL_APPDATA, L"\\Yarn\\Cache", R::PerUser)};
constexpr RootRecipe kStoreAppTempRoots[] = {Found(StorePackageRoots, R::PerUser)};
constexpr RootRecipe kAppCachesRoots[] = {Found(AppCacheRoots, R::PerUser)};
constexpr RootRecipe kWindowsLogsRoots[] = {
    KnownFiles(CSIDL_WINDOWS, L"\\Logs\\CBS", R::Machine, L"CbsPersist_*.log|CbsPersist_*.cab"),
    KnownFiles(CSIDL_WINDOWS, L"\\Logs\\DISM", R::Machine, L"*.log"),
    KnownFiles(CSIDL_WINDOWS, L"\\Logs\\MoSetup", R::Machine, L"*.log"),
    KnownFiles(CSIDL_WINDOWS, L"\\Logs\\WindowsUpdate", R::Machine, L"*.etl")};
constexpr KeyRecipe kFileDialogHistoryKeys[] = {
    {6, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSavePidlMRU", true},
    {6, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedPidlMRU"},
    {6, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths"},
    {5, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU", true},
    {5, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU"}};

// What a browser keeps of its user: passwords, cookies, history, bookmarks,
// settings, extensions, site data. Its caches never hold these names; the
// walk refuses them at any depth all the same.
constexpr const wchar_t* kBrowserData[] = {
    L"Local State", L"Cookies*", L"Network", L"Login Data*", L"Web Data*", L"History*", L"Bookmarks*",
    L"Preferences", L"Secure Preferences", L"Local Storage", L"IndexedDB", L"Session Storage", L"Sessions",
    L"Extensions", L"Local Extension Settings", L"Sync Data", L"Service Worker", nullptr};
constexpr const wchar_t* kFirefoxData[] = {L"places.sqlite*", L"cookies.sqlite*", L"logins.json", L"key4.db",
                                           L"prefs.js", L"sessionstore*", nullptr};
// The drivers' own settings.
constexpr const wchar_t* kDriverSettings[] = {L"Drs", L"CN", nullptr};
// The system's memory files: never a dump, whatever a folder holds.
constexpr const wchar_t* kMemoryFiles[] = {L"pagefile.sys", L"hiberfil.sys", L"swapfile.sys", nullptr};
// Installed packages and virtual environments.
constexpr const wchar_t* kInstalledPackages[] = {L"node_modules", L"pyvenv.cfg", nullptr};
// The store apps' data, settings and sign-ins.
constexpr const wchar_t* kAppState[] = {L"LocalState", L"RoamingState", L"Settings", L"LocalCache", L"INetCookies",
                                        nullptr};
// Unsaved editors, settings, site data, a chat app's modules and backgrounds.
constexpr const wchar_t* kAppData[] = {L"Backups", L"User",    L"Local Storage", L"IndexedDB", L"Cookies*",
                                       L"modules", L"Backgrounds", L"settings.json", nullptr};
// Logs being written, and the event logs.
constexpr const wchar_t* kLiveLogs[] = {L"CBS.log", L"*.evtx", nullptr};

// A dump younger than this may still be being written.
constexpr unsigned kDumpMinutes = 10;
constexpr unsigned kLogMinutes = 14 * 24 * 60;

// The handlers' categories have no folder: a marker, the machine's.
constexpr RootRecipe kHandlerRoots[] = {{RootSource::Marker, R::Machine}};

// The names of Windows' clean-up handlers each handler category may drive.
constexpr const wchar_t* kPreviousInstallationsHandlers[] = {
    L"Previous Installations", L"Windows Upgrade Log Files", L"Upgrade Discarded Files",
    L"Windows ESD installation files", L"Temporary Setup Files", L"Setup Log Files", nullptr};
constexpr const wchar_t* kUpdateCleanupHandlers[] = {L"Update Cleanup", L"Service Pack Cleanup", nullptr};
constexpr const wchar_t* kDeliveryOptimizationHandlers[] = {L"Delivery Optimization Files", nullptr};
constexpr const wchar_t* kDriverPackagesHandlers[] = {L"Device Driver Packages", nullptr};
constexpr const wchar_t* kThumbnailCacheHandlers[] = {L"Thumbnail Cache", nullptr};

// The jump lists of Windows 7 and later: every program's pinned and recent
// items, and Quick Access's pinned folders. Pins are the user's own choice,
// not a record of what was opened.
constexpr const wchar_t* kJumpListFolders[] = {L"AutomaticDestinations", L"CustomDestinations", nullptr};

using namespace texts;

constexpr std::array<CategoryInfo, kCategoryCount> kCatalogue = {{
    Row(C::SystemTemp, 1, L"SystemTemp", L"系统临时文件", true, 1, M::FolderTrees, kSystemTempRoots, kSweepFailed),
    Row(C::Prefetch, 2, L"Prefetch", L"系统预读文件", true, 3, M::FolderTrees, kPrefetchRoots, kScanFailed),
    Row(C::RecycleBin, 3, L"RecycleBin", L"回收站", true, 2, M::RecycleBin, kRecycleBinRoots, kSweepFailed),
    Row(C::IeTemp, 4, L"IeTemp", L"Internet Explorer 临时文件", true, 7, M::FolderTrees, kIeTempRoots, kScanFailed),
    Row(C::IeTypedUrls, 5, L"IeTypedUrls", L"Internet Explorer 地址栏历史网址", true, 9, M::RegistryValues,
        kHistoryKeyRoots, kSweepFailed, kIeTypedUrlsKeys),
    Row(C::IeCookies, 6, L"IeCookies", L"Internet Explorer Cookies", false, 8, M::FolderTrees, kIeCookiesRoots,
        kScanFailed),
    Row(C::DownloadedPrograms, 7, L"DownloadedPrograms",
        {L"已下载程序文件(Win7系统中如清理有可能造成部分程序兼容性问题)", L"已下载程序文件", L"已下载程序文件"}, false, 4,
        M::FolderTrees, kDownloadedProgramsRoots, kScanFailed),
    Row(C::UpdateDownloads, 8, L"UpdateDownloads", L"系统自动更新补丁", false, 5, M::FolderTrees, kUpdateDownloadsRoots,
        kScanFailed),
    Row(C::OfficeSetupCache, 9, L"OfficeSetupCache", L"Office 安装文件", false, 6, M::FolderTrees,
        kOfficeSetupCacheRoots, kScanFailed),
    NeverEntering(Row(C::RecentDocs, 10, L"RecentDocs", L"开始菜单最近打开的文档", false, 10, M::FolderTrees,
                      kRecentDocsRoots, kSweepFailed),
                  kJumpListFolders),
    Row(C::RunHistory, 11, L"RunHistory", L"开始菜单\"运行\"对话框记录(重启生效)", false, 11, M::RegistryValues,
        kHistoryKeyRoots, kSweepFailed, kRunHistoryKeys),
    Row(C::SearchHistory, 12, L"SearchHistory", L"Windows 搜索历史记录", false, 12, M::RegistryValues, kHistoryKeyRoots,
        kSweepFailed, kSearchHistoryKeys),
    Row(C::FirefoxHistory, 13, L"FirefoxHistory", L"火狐浏览器历史记录", false, 13, M::OneFile, kFirefoxHistoryRoots,
        kSweepFailed),
    Row(C::MaxthonHistory, 14, L"MaxthonHistory", L"遨游浏览器历史记录", false, 14, M::OneFile, kMaxthonHistoryRoots,
        kSweepFailed),
    Row(C::TheWorldHistory, 15, L"TheWorldHistory", L"世界之窗浏览记录", false, 15, M::FolderTrees,
        kTheWorldHistoryRoots, kScanFailed),
    Row(C::QqToolbarHistory, 16, L"QqToolbarHistory", L"QQ 工具栏搜索记录", false, 16, M::RegistryValues,
        kHistoryKeyRoots, kSweepFailed, kQqToolbarHistoryKeys),
    Row(C::BaiduToolbarHistory, 17, L"BaiduToolbarHistory", L"百度工具栏搜索记录", false, 17, M::RegistryValues,
        kHistoryKeyRoots, kSweepFailed, kBaiduToolbarHistoryKeys),
    Row(C::GoogleToolbarHistory, 18, L"GoogleToolbarHistory",
        {L"Google 工具栏搜索记录", L"Google 工具栏搜索记录", L"Google工具栏搜索记录"}, false, 18, M::FolderTrees,
        kGoogleToolbarHistoryRoots, kSweepFailed),
    Row(C::RealPlayerHistory, 19, L"RealPlayerHistory",
        {L"RealPlayer 历史记录", L"RealPlayer 历史记录", L"RealPlayer历史记录"}, false, 19, M::FolderTrees,
        kRealPlayerHistoryRoots, kSweepFailed),
    Row(C::StormPlayerHistory, 20, L"StormPlayerHistory", L"暴风影音历史记录", false, 20, M::EveryFile,
        kStormPlayerHistoryRoots, kSweepFailed),
    Row(C::QqPlayerHistory, 21, L"QqPlayerHistory", L"QQ 影音历史记录", false, 21, M::ByWindowsVersion,
        kQqPlayerHistoryRoots, kClearFailed),
    Row(C::KankanHistory, 22, L"KankanHistory", L"迅雷看看历史目录", false, 22, M::FolderTrees, kKankanHistoryRoots,
        kClearFailed),
    Leaving(Row(C::ChromeCache, 23, L"ChromeCache", L"Chrome 浏览器缓存", false, 23, M::FolderTrees, kChromeCacheRoots,
                kSweepFailed),
            kBrowserData),
    Leaving(Row(C::EdgeCache, 24, L"EdgeCache", L"Edge 浏览器缓存", false, 24, M::FolderTrees, kEdgeCacheRoots,
                kSweepFailed),
            kBrowserData),
    Leaving(Row(C::ChromiumCaches, 25, L"ChromiumCaches", L"其他 Chromium 内核浏览器缓存", false, 25, M::FolderTrees,
                kChromiumCachesRoots, kSweepFailed),
            kBrowserData),
    Leaving(Row(C::FirefoxCache, 26, L"FirefoxCache", L"火狐浏览器缓存", false, 26, M::FolderTrees, kFirefoxCacheRoots,
                kSweepFailed),
            kFirefoxData),
    Leaving(Row(C::ShaderCaches, 27, L"ShaderCaches", L"显卡着色器缓存", false, 27, M::FolderTrees, kShaderCachesRoots,
                kSweepFailed),
            kDriverSettings),
    Leaving(Row(C::CrashDumps, 28, L"CrashDumps", L"系统崩溃转储文件", false, 28, M::FolderTrees, kCrashDumpsRoots,
                kSweepFailed),
            kMemoryFiles, kDumpMinutes),
    Row(C::ErrorReports, 29, L"ErrorReports", L"Windows 错误报告", false, 29, M::FolderTrees, kErrorReportsRoots,
        kSweepFailed),
    Leaving(Row(C::DevToolCaches, 30, L"DevToolCaches", L"开发工具下载缓存", false, 30, M::FolderTrees,
                kDevToolCachesRoots, kSweepFailed),
            kInstalledPackages),
    Leaving(Row(C::StoreAppTemp, 31, L"StoreAppTemp", L"应用商店应用临时文件", false, 31, M::FolderTrees,
                kStoreAppTempRoots, kSweepFailed),
            kAppState),
    Leaving(Row(C::AppCaches, 32, L"AppCaches", L"常用应用缓存", false, 32, M::FolderTrees, kAppCachesRoots,
                kSweepFailed),
            kAppData),
    Leaving(Row(C::WindowsLogs, 33, L"WindowsLogs", L"Windows 日志文件", false, 33, M::FolderTrees, kWindowsLogsRoots,
                kSweepFailed),
            kLiveLogs, kLogMinutes),
    Row(C::FileDialogHistory, 34, L"FileDialogHistory", L"文件对话框历史记录", false, 34, M::RegistryValues,
        kHistoryKeyRoots, kSweepFailed, kFileDialogHistoryKeys),
    // Windows' own clean-up handlers; the first, second and fourth cannot be undone.
    DrivingHandlers(Row(C::PreviousInstallations, 35, L"PreviousInstallations", L"旧的 Windows 安装", false, 35,
                        M::CleanupHandlers, kHandlerRoots, kSweepFailed),
                    kPreviousInstallationsHandlers, true),
    DrivingHandlers(Row(C::UpdateCleanup, 36, L"UpdateCleanup", L"Windows 更新清理", false, 36, M::CleanupHandlers,
                        kHandlerRoots, kSweepFailed),
                    kUpdateCleanupHandlers, true),
    DrivingHandlers(Row(C::DeliveryOptimization, 37, L"DeliveryOptimization", L"传递优化文件", false, 37,
                        M::CleanupHandlers, kHandlerRoots, kSweepFailed),
                    kDeliveryOptimizationHandlers),
    DrivingHandlers(Row(C::DriverPackages, 38, L"DriverPackages", L"旧的设备驱动程序包", false, 38, M::CleanupHandlers,
                        kHandlerRoots, kSweepFailed),
                    kDriverPackagesHandlers, true),
    DrivingHandlers(Row(C::ThumbnailCache, 39, L"ThumbnailCache", L"缩略图缓存", false, 39, M::CleanupHandlers,
                        kHandlerRoots, kSweepFailed),
                    kThumbnailCacheHandlers),
#ifdef PURLO_TEST_ROW
    NeverEntering(Row(C::TestRow, 40, L"TestRow", L"测试用的一行", false, 40, M::FolderTrees, kTestRowRoots, kSweepFailed),
                  kTestRowNeverEntered),
#endif
}};

// A short table would compile with zeroed entries at its end: every entry
// must sit at its own position, in tree order.
constexpr bool InTreeOrder() {
  for (size_t i = 0; i < kCatalogue.size(); ++i) {
    if (kCatalogue[i].position != static_cast<int>(i) + 1 || static_cast<size_t>(kCatalogue[i].id) != i) return false;
  }
  return true;
}

constexpr bool RunOrdersArePermutation() {
  bool taken[kCategoryCount] = {};
  for (const CategoryInfo& info : kCatalogue) {
    if (info.runOrder < 1 || info.runOrder > kCategoryCount || taken[info.runOrder - 1]) return false;
    taken[info.runOrder - 1] = true;
  }
  return true;
}

// Every category has a root; a registry category has keys and a marker, the
// others neither.
constexpr bool RootsMatchMethods() {
  for (const CategoryInfo& info : kCatalogue) {
    if (info.roots.size() == 0 || info.failureText == nullptr) return false;
    if ((info.method == M::RegistryValues) != (info.keys.size() != 0)) return false;
  }
  return true;
}

// A handler category has its names, and no other category has any.
constexpr bool HandlersMatchMethods() {
  for (const CategoryInfo& info : kCatalogue) {
    if ((info.method == M::CleanupHandlers) != (info.handlers != nullptr)) return false;
  }
  return true;
}

constexpr bool NoEntryCountsNothing() {
  for (const CategoryInfo& info : kCatalogue) {
    if (info.method == M::Nothing) return false;
  }
  return true;
}

static_assert(InTreeOrder(), "one entry per category, in tree order");
static_assert(RunOrdersArePermutation(), "run orders from 1, each once");
static_assert(RootsMatchMethods(), "every row has roots and a failure text; registry rows have keys");
static_assert(HandlersMatchMethods(), "handler rows, and only they, name their handlers");
static_assert(NoEntryCountsNothing(), "Nothing is what ByWindowsVersion comes to, never an entry's method");

std::array<JunkCategory, kCategoryCount> SortedByRunOrder() {
  std::array<JunkCategory, kCategoryCount> order{};
  for (const CategoryInfo& info : kCatalogue) order[static_cast<size_t>(info.runOrder - 1)] = info.id;
  return order;
}

}  // namespace

const std::array<CategoryInfo, kCategoryCount>& Catalogue() { return kCatalogue; }

const CategoryInfo& Info(JunkCategory category) { return kCatalogue[static_cast<size_t>(category)]; }

const std::array<JunkCategory, kCategoryCount>& RunOrder() {
  static const std::array<JunkCategory, kCategoryCount> order = SortedByRunOrder();
  return order;
}

std::vector<JunkCategory> InRunOrder(const std::vector<JunkCategory>& selection) {
  std::vector<JunkCategory> ordered;
  for (JunkCategory c : RunOrder()) {
    if (std::find(selection.begin(), selection.end(), c) != selection.end()) ordered.push_back(c);
  }
  return ordered;
}

bool IsNeverEntered(JunkCategory category, const wchar_t* name, size_t length) {
  const wchar_t* const* names = Info(category).neverEntered;
  if (names == nullptr) return false;
  const std::wstring upper = win::ToUpper(std::wstring(name, length));
  for (; *names != nullptr; ++names) {
    if (upper == win::ToUpper(*names)) return true;
  }
  return false;
}

bool OnVersion(int recipeWindows, int windowsMajor) { return recipeWindows == 0 || recipeWindows == windowsMajor; }

bool FindCategory(const std::wstring& identifier, JunkCategory& out) {
  for (const CategoryInfo& info : kCatalogue) {
    if (identifier == info.identifier) {
      out = info.id;
      return true;
    }
  }
  return false;
}

}  // namespace purlo

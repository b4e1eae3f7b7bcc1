#include "engine/core/Catalogue.h"

#include <algorithm>

#include "win/Text.h"

namespace purlo {

const wchar_t kRecycleBinMarker[] = L"回收站";

namespace {

using C = JunkCategory;
using M = CountingMethod;

// The jump lists of Windows 7 and later: every program's pinned and recent
// items, and Quick Access's pinned folders. Pins are the user's own choice,
// not a record of what was opened.
constexpr const wchar_t* kJumpListFolders[] = {L"AutomaticDestinations", L"CustomDestinations", nullptr};

// What a browser keeps of its user: passwords, cookies, history, bookmarks,
// settings, extensions, site data. Its caches never hold these names; the
// walk refuses them at any depth all the same.
constexpr const wchar_t* kBrowserData[] = {
    L"Local State", L"Cookies*", L"Network", L"Login Data*", L"Web Data*", L"History*", L"Bookmarks*",
    L"Preferences", L"Secure Preferences", L"Local Storage", L"IndexedDB", L"Session Storage", L"Sessions",
    L"Extensions", L"Local Extension Settings", L"Sync Data", L"Service Worker", nullptr};
constexpr const wchar_t* kFirefoxData[] = {L"places.sqlite*", L"cookies.sqlite*", L"logins.json", L"key4.db",
                                           L"prefs.js", L"sessionstore*", nullptr};
constexpr const wchar_t* kDriverSettings[] = {L"Drs", L"CN", nullptr};
// The system's memory files: never a dump, whatever a folder holds.
constexpr const wchar_t* kMemoryFiles[] = {L"pagefile.sys", L"hiberfil.sys", L"swapfile.sys", nullptr};
constexpr const wchar_t* kInstalledPackages[] = {L"node_modules", L"pyvenv.cfg", nullptr};
constexpr const wchar_t* kAppState[] = {L"LocalState", L"RoamingState", L"Settings", L"LocalCache", L"INetCookies",
                                        nullptr};
// Unsaved editors, settings, site data, a chat app's modules and backgrounds.
constexpr const wchar_t* kAppData[] = {L"Backups",  L"User",    L"Local Storage", L"IndexedDB", L"Cookies*",
                                       L"modules",  L"Backgrounds", L"settings.json", nullptr};
constexpr const wchar_t* kLiveLogs[] = {L"CBS.log", L"*.evtx", nullptr};

constexpr int kTenMinutes = 10;
constexpr int kFourteenDays = 14 * 24 * 60;

constexpr std::array<CategoryInfo, kCategoryCount> kCatalogue = {{
    {C::SystemTemp, 1, L"SystemTemp", L"系统临时文件", L"系统临时文件", L"系统临时文件", true, 1, M::FolderTrees},
    {C::Prefetch, 2, L"Prefetch", L"系统预读文件", L"系统预读文件", L"系统预读文件", true, 3, M::FolderTrees},
    {C::RecycleBin, 3, L"RecycleBin", L"回收站", L"回收站", L"回收站", true, 2, M::RecycleBin},
    {C::IeTemp, 4, L"IeTemp", L"Internet Explorer 临时文件", L"Internet Explorer 临时文件",
     L"Internet Explorer 临时文件", true, 7, M::FolderTrees},
    {C::IeTypedUrls, 5, L"IeTypedUrls", L"Internet Explorer 地址栏历史网址", L"Internet Explorer 地址栏历史网址",
     L"Internet Explorer 地址栏历史网址", true, 9, M::RegistryValues},
    {C::IeCookies, 6, L"IeCookies", L"Internet Explorer Cookies", L"Internet Explorer Cookies",
     L"Internet Explorer Cookies", false, 8, M::FolderTrees},
    {C::DownloadedPrograms, 7, L"DownloadedPrograms", L"已下载程序文件(Win7系统中如清理有可能造成部分程序兼容性问题)",
     L"已下载程序文件", L"已下载程序文件", false, 4, M::FolderTrees},
    {C::UpdateDownloads, 8, L"UpdateDownloads", L"系统自动更新补丁", L"系统自动更新补丁", L"系统自动更新补丁", false, 5,
     M::FolderTrees},
    {C::OfficeSetupCache, 9, L"OfficeSetupCache", L"Office 安装文件", L"Office 安装文件", L"Office 安装文件", false, 6,
     M::FolderTrees},
    {C::RecentDocs, 10, L"RecentDocs", L"开始菜单最近打开的文档", L"开始菜单最近打开的文档", L"开始菜单最近打开的文档",
     false, 10, M::FolderTrees, kJumpListFolders},
    {C::RunHistory, 11, L"RunHistory", L"开始菜单\"运行\"对话框记录(重启生效)", L"开始菜单\"运行\"对话框记录(重启生效)",
     L"开始菜单\"运行\"对话框记录(重启生效)", false, 11, M::RegistryValues},
    {C::SearchHistory, 12, L"SearchHistory", L"Windows 搜索历史记录", L"Windows 搜索历史记录", L"Windows 搜索历史记录",
     false, 12, M::RegistryValues},
    {C::FirefoxHistory, 13, L"FirefoxHistory", L"火狐浏览器历史记录", L"火狐浏览器历史记录", L"火狐浏览器历史记录",
     false, 13, M::OneFile},
    {C::MaxthonHistory, 14, L"MaxthonHistory", L"遨游浏览器历史记录", L"遨游浏览器历史记录", L"遨游浏览器历史记录",
     false, 14, M::OneFile},
    {C::TheWorldHistory, 15, L"TheWorldHistory", L"世界之窗浏览记录", L"世界之窗浏览记录", L"世界之窗浏览记录", false,
     15, M::FolderTrees},
    {C::QqToolbarHistory, 16, L"QqToolbarHistory", L"QQ 工具栏搜索记录", L"QQ 工具栏搜索记录", L"QQ 工具栏搜索记录",
     false, 16, M::RegistryValues},
    {C::BaiduToolbarHistory, 17, L"BaiduToolbarHistory", L"百度工具栏搜索记录", L"百度工具栏搜索记录",
     L"百度工具栏搜索记录", false, 17, M::RegistryValues},
    {C::GoogleToolbarHistory, 18, L"GoogleToolbarHistory", L"Google 工具栏搜索记录", L"Google 工具栏搜索记录",
     L"Google工具栏搜索记录", false, 18, M::FolderTrees},
    {C::RealPlayerHistory, 19, L"RealPlayerHistory", L"RealPlayer 历史记录", L"RealPlayer 历史记录",
     L"RealPlayer历史记录", false, 19, M::FolderTrees},
    {C::StormPlayerHistory, 20, L"StormPlayerHistory", L"暴风影音历史记录", L"暴风影音历史记录", L"暴风影音历史记录",
     false, 20, M::EveryFile},
    {C::QqPlayerHistory, 21, L"QqPlayerHistory", L"QQ 影音历史记录", L"QQ 影音历史记录", L"QQ 影音历史记录", false, 21,
     M::ByWindowsVersion},
    {C::KankanHistory, 22, L"KankanHistory", L"迅雷看看历史目录", L"迅雷看看历史目录", L"迅雷看看历史目录", false, 22,
     M::FolderTrees},
    {C::ChromeCache, 23, L"ChromeCache", L"Chrome 浏览器缓存", L"Chrome 浏览器缓存", L"Chrome 浏览器缓存", false, 23,
     M::FolderTrees, nullptr, kBrowserData},
    {C::EdgeCache, 24, L"EdgeCache", L"Edge 浏览器缓存", L"Edge 浏览器缓存", L"Edge 浏览器缓存", false, 24,
     M::FolderTrees, nullptr, kBrowserData},
    {C::ChromiumCaches, 25, L"ChromiumCaches", L"其他 Chromium 内核浏览器缓存", L"其他 Chromium 内核浏览器缓存",
     L"其他 Chromium 内核浏览器缓存", false, 25, M::FolderTrees, nullptr, kBrowserData},
    {C::FirefoxCache, 26, L"FirefoxCache", L"火狐浏览器缓存", L"火狐浏览器缓存", L"火狐浏览器缓存", false, 26,
     M::FolderTrees, nullptr, kFirefoxData},
    {C::ShaderCaches, 27, L"ShaderCaches", L"显卡着色器缓存", L"显卡着色器缓存", L"显卡着色器缓存", false, 27,
     M::FolderTrees, nullptr, kDriverSettings},
    {C::CrashDumps, 28, L"CrashDumps", L"系统崩溃转储文件", L"系统崩溃转储文件", L"系统崩溃转储文件", false, 28,
     M::FolderTrees, nullptr, kMemoryFiles, kTenMinutes},
    {C::ErrorReports, 29, L"ErrorReports", L"Windows 错误报告", L"Windows 错误报告", L"Windows 错误报告", false, 29,
     M::FolderTrees},
    {C::DevToolCaches, 30, L"DevToolCaches", L"开发工具下载缓存", L"开发工具下载缓存", L"开发工具下载缓存", false, 30,
     M::FolderTrees, nullptr, kInstalledPackages},
    {C::StoreAppTemp, 31, L"StoreAppTemp", L"应用商店应用临时文件", L"应用商店应用临时文件", L"应用商店应用临时文件",
     false, 31, M::FolderTrees, nullptr, kAppState},
    {C::AppCaches, 32, L"AppCaches", L"常用应用缓存", L"常用应用缓存", L"常用应用缓存", false, 32, M::FolderTrees,
     nullptr, kAppData},
    {C::WindowsLogs, 33, L"WindowsLogs", L"Windows 日志文件", L"Windows 日志文件", L"Windows 日志文件", false, 33,
     M::FolderTrees, nullptr, kLiveLogs, kFourteenDays},
    {C::FileDialogHistory, 34, L"FileDialogHistory", L"文件对话框历史记录", L"文件对话框历史记录",
     L"文件对话框历史记录", false, 34, M::RegistryValues},
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

constexpr bool NoEntryCountsNothing() {
  for (const CategoryInfo& info : kCatalogue) {
    if (info.method == M::Nothing) return false;
  }
  return true;
}

static_assert(kCatalogue.size() == 34, "the program knows 34 categories");
static_assert(InTreeOrder(), "one entry per category, in tree order");
static_assert(RunOrdersArePermutation(), "run orders 1..34, each once");
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

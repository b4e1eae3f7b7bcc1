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

// The names of Windows' clean-up handlers each handler category may drive.
constexpr const wchar_t* kPreviousInstallationsHandlers[] = {
    L"Previous Installations", L"Windows Upgrade Log Files", L"Upgrade Discarded Files",
    L"Windows ESD installation files", L"Temporary Setup Files", L"Setup Log Files", nullptr};
constexpr const wchar_t* kUpdateCleanupHandlers[] = {L"Update Cleanup", L"Service Pack Cleanup", nullptr};
constexpr const wchar_t* kDeliveryOptimizationHandlers[] = {L"Delivery Optimization Files", nullptr};
constexpr const wchar_t* kDriverPackagesHandlers[] = {L"Device Driver Packages", nullptr};
constexpr const wchar_t* kThumbnailCacheHandlers[] = {L"Thumbnail Cache", nullptr};

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
    // Windows' own clean-up handlers.
    {C::PreviousInstallations, 23, L"PreviousInstallations", L"旧的 Windows 安装", L"旧的 Windows 安装",
     L"旧的 Windows 安装", false, 23, M::CleanupHandlers, nullptr, kPreviousInstallationsHandlers, true},
    {C::UpdateCleanup, 24, L"UpdateCleanup", L"Windows 更新清理", L"Windows 更新清理", L"Windows 更新清理", false, 24,
     M::CleanupHandlers, nullptr, kUpdateCleanupHandlers, true},
    {C::DeliveryOptimization, 25, L"DeliveryOptimization", L"传递优化文件", L"传递优化文件", L"传递优化文件", false, 25,
     M::CleanupHandlers, nullptr, kDeliveryOptimizationHandlers},
    {C::DriverPackages, 26, L"DriverPackages", L"旧的设备驱动程序包", L"旧的设备驱动程序包", L"旧的设备驱动程序包",
     false, 26, M::CleanupHandlers, nullptr, kDriverPackagesHandlers, true},
    {C::ThumbnailCache, 27, L"ThumbnailCache", L"缩略图缓存", L"缩略图缓存", L"缩略图缓存", false, 27,
     M::CleanupHandlers, nullptr, kThumbnailCacheHandlers},
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

static_assert(kCatalogue.size() == 27, "the program knows 27 categories");
static_assert(InTreeOrder(), "one entry per category, in tree order");
static_assert(RunOrdersArePermutation(), "run orders 1..kCategoryCount, each once");
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

// The 22 kinds of junk the program knows: their texts, default selection,
// run order and counting method. Built in; nothing here is stored or edited.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace purlo {

// In tree order.
enum class JunkCategory {
  SystemTemp,
  Prefetch,
  RecycleBin,
  IeTemp,
  IeTypedUrls,
  IeCookies,
  DownloadedPrograms,
  UpdateDownloads,
  OfficeSetupCache,
  RecentDocs,
  RunHistory,
  SearchHistory,
  FirefoxHistory,
  MaxthonHistory,
  TheWorldHistory,
  QqToolbarHistory,
  BaiduToolbarHistory,
  GoogleToolbarHistory,
  RealPlayerHistory,
  StormPlayerHistory,
  QqPlayerHistory,
  KankanHistory,
  PreviousInstallations,
  UpdateCleanup,
  DeliveryOptimization,
  DriverPackages,
  ThumbnailCache,
};

constexpr int kCategoryCount = 27;

// How the workers of a category, scan and sweep alike, treat its roots.
enum class CountingMethod {
  FolderTrees,       // every root as a folder tree
  OneFile,           // the first root as one file
  EveryFile,         // every root as one file
  RecycleBin,        // the shell's recycle bin (the root is kRecycleBinMarker)
  RegistryValues,    // the values of the category's history key
  ByWindowsVersion,  // one file on version 5, folder trees on 6, Nothing elsewhere
  Nothing,           // what ByWindowsVersion comes to on other versions; no entry has it
  CleanupHandlers,   // Windows' own clean-up handlers of the entry's `handlers` (bytes only)
};

struct CategoryInfo {
  JunkCategory id;
  int position;  // 1..kCategoryCount, tree order
  const wchar_t* identifier;
  const wchar_t* startupLabel;
  const wchar_t* bareLabel;
  const wchar_t* taskLabel;
  bool recommended;
  int runOrder;  // 1..kCategoryCount
  CountingMethod method;
  // Folder names directly below each of the category's roots that no walk
  // enters, whatever they hold (null-terminated; null for none).
  const wchar_t* const* neverEntered = nullptr;
  // CleanupHandlers: the names under VolumeCaches it may drive, its allowlist
  // (null-terminated).
  const wchar_t* const* handlers = nullptr;
  // Its sweep cannot be undone (a rollback or an uninstall it ends): the
  // dialog asks first, and the console sweeps it only when it is named.
  bool irreversible = false;
};

const std::array<CategoryInfo, kCategoryCount>& Catalogue();
const CategoryInfo& Info(JunkCategory category);
// All categories sorted by run order.
const std::array<JunkCategory, kCategoryCount>& RunOrder();
// Sorts a selection into run order, dropping duplicates.
std::vector<JunkCategory> InRunOrder(const std::vector<JunkCategory>& selection);
// Whether `name` (one component, any case) is a folder the category's walks
// never enter directly below one of its roots.
bool IsNeverEntered(JunkCategory category, const wchar_t* name, size_t length);
// Looks a category up by its identifier (exact match); false when unknown.
bool FindCategory(const std::wstring& identifier, JunkCategory& out);

// The marker root of the recycle bin; the registry categories use their task label.
extern const wchar_t kRecycleBinMarker[];

}  // namespace purlo

// The kinds of junk the program knows, one row each: texts, default selection,
// run order, counting method, where its roots come from and whose they are,
// its registry keys, the text shown when its worker cannot start, and what its
// walks must leave alone. Built in; nothing here is stored or edited. Adding
// a category is adding an identifier and a row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace purlo {

class SystemLookups;

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
  // Today's caches and logs, after the 22 in tree and run order.
  ChromeCache,
  EdgeCache,
  ChromiumCaches,
  FirefoxCache,
  ShaderCaches,
  CrashDumps,
  ErrorReports,
  DevToolCaches,
  StoreAppTemp,
  AppCaches,
  WindowsLogs,
  FileDialogHistory,
  // Windows' own clean-up handlers.
  PreviousInstallations,
  UpdateCleanup,
  DeliveryOptimization,
  DriverPackages,
  ThumbnailCache,
#ifdef PURLO_TEST_ROW
  TestRow,  // a test build's extra category: one row shows a category is a row
#endif
};

#ifdef PURLO_TEST_ROW
constexpr int kCategoryCount = 40;
#else
constexpr int kCategoryCount = 39;
#endif

// How the workers of a category, scan and sweep alike, treat its roots.
enum class CountingMethod {
  FolderTrees,       // every root as a folder tree
  OneFile,           // the first root as one file
  EveryFile,         // every root as one file
  RecycleBin,        // the shell's recycle bin (the root is kRecycleBinMarker)
  RegistryValues,    // the values of the category's history key
  ByWindowsVersion,  // one file on version 5, folder trees on 6, Nothing elsewhere
  Nothing,           // what ByWindowsVersion comes to on other versions; no entry has it
  CleanupHandlers,   // Windows' own clean-up handlers of the row's `handlers` (bytes only)
};

// Whose a root is, and so the rule it is judged by when the run starts.
enum class RootClass {
  PerUser,          // inside the cleaned user's profile
  Machine,          // built from the system's own look-ups or HKLM: a real folder at the built place
  ApplicationFile,  // one file of a fixed name, in a folder no system's nor other user's
  Marker,           // the recycle bin and the registry categories: no folder
  Unchecked,        // a task built without a judge: protected folders only
};

// Where a root recipe takes its base from.
enum class RootSource : uint8_t {
  KnownFolder,    // the shell's folder `csidl`, then `tail`
  Variable,       // the cleaned user's environment variable `name`, then `tail`
  UserTemp,       // the user's temporary folder (GetTempPath); a failure stops the run
  Marker,         // no folder: `name`, or the category's task label when null
  FixedDrives,    // the root of every fixed drive C: to Z:, then `tail`
  RegistryValue,  // the string `value` of `name` in `hive`, a separator, then `tail`
  Rule,           // a named function, for a rule that really is code
  Found,          // a named function that finds roots below a folder, each with its program's lock
};

enum class Hive : uint8_t { User, Machine };

using RootRule = void (*)(SystemLookups& lookups, std::vector<std::wstring>& paths);

// A root found below a folder (a browser's profiles, the store's packages),
// with the lock of the program whose files it holds: while that lock is held
// (IsLockHeld) the root is in use and skipped whole.
struct FoundRoot {
  std::wstring path;
  std::wstring lock;  // empty: none
};
using FoundRule = void (*)(SystemLookups& lookups, std::vector<FoundRoot>& roots);

namespace recipe {
// RegistryValue: without the key the program is not installed (no task at all).
constexpr uint8_t kKeyMeansInstalled = 1;
// RegistryValue: the value names a file; its folder is the base.
constexpr uint8_t kValueNamesFile = 2;
// A folder-trees category's root that names one file, taken as one file.
constexpr uint8_t kOneFile = 4;
}  // namespace recipe

// One root, or a few of one kind, of a category, as the machine answers for it.
struct RootRecipe {
  RootSource source;
  RootClass rootClass;
  int windows = 0;  // 0: on every version; else only on Windows 5 or 6
  int csidl = 0;
  const wchar_t* name = nullptr;
  const wchar_t* tail = L"";
  Hive hive = Hive::User;
  const wchar_t* value = nullptr;
  RootRule rule = nullptr;
  uint8_t flags = 0;
  FoundRule found = nullptr;
  // Folder roots: the names of the files taken, with * and ?, alternatives
  // split by '|'; null takes every file.
  const wchar_t* pattern = nullptr;
};

// A registry key of a registry-values category, under the cleaned user's hive.
struct KeyRecipe {
  int windows;  // 0: on every version
  const wchar_t* key;
  // The values of each direct sub-key too; a sub-key that is a registry link
  // counts nothing and is never touched.
  bool withSubkeys = false;
};

// A view of a fixed array in the table.
template <typename T>
struct Rows {
  const T* first = nullptr;
  size_t count = 0;
  constexpr Rows() = default;
  template <size_t N>
  constexpr Rows(const T (&items)[N]) : first(items), count(N) {}
  constexpr const T* begin() const { return first; }
  constexpr const T* end() const { return first + count; }
  constexpr size_t size() const { return count; }
};

// A null-terminated list of names; null for none.
using NameList = const wchar_t* const*;

struct CategoryInfo {
  JunkCategory id;
  int position;  // tree order, from 1
  const wchar_t* identifier;
  const wchar_t* startupLabel;  // the item's text when the dialog opens
  const wchar_t* bareLabel;     // the item's text when a scan starts
  const wchar_t* taskLabel;     // the base of the label a worker writes
  bool recommended;
  int runOrder;  // from 1
  CountingMethod method;
  Rows<RootRecipe> roots;
  Rows<KeyRecipe> keys;        // RegistryValues only
  const wchar_t* failureText;  // shown when a sweep worker of it cannot start
  // Folder names directly below each of the category's roots that no walk
  // enters, whatever they hold.
  NameList neverEntered = nullptr;
  // Names (any depth, one component, any case) that no walk of it enters or
  // deletes.
  NameList neverTouched = nullptr;
  // Files younger than this are kept; 0 for none (the run's own limit still holds).
  unsigned minAgeMinutes = 0;
  // Files, relative to a root, that a running program holds open: while one
  // cannot be opened for deletion the root is in use and skipped whole.
  NameList inUseProbes = nullptr;
  // Windows' own clean-up handlers (names under VolumeCaches) the category
  // drives: its allowlist, nothing else is ever looked up.
  NameList handlers = nullptr;
  // Its sweep cannot be undone (it ends a rollback or an uninstall): the
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
// Whether the recipe applies on this Windows version (5, 6 or 0).
bool OnVersion(int recipeWindows, int windowsMajor);

// The marker root of the recycle bin; the registry categories use their task label.
extern const wchar_t kRecycleBinMarker[];

}  // namespace purlo

#include "engine/core/RootRules.h"

#include <shlobj.h>

namespace purlo {

namespace {

bool BuildsUserPart(SystemLookups& lookups) { return lookups.User().part != RunPart::Machine; }
bool BuildsMachinePart(SystemLookups& lookups) { return lookups.User().part != RunPart::User; }

// A run of one part builds only that part's roots of a mixed category.
bool InPart(const RootRecipe& recipe, SystemLookups& lookups) {
  return recipe.rootClass == RootClass::Machine ? BuildsMachinePart(lookups) : BuildsUserPart(lookups);
}

HKEY HiveKey(Hive hive) { return hive == Hive::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

// `base`, one separator, `tail`: a value's trailing separators are its own.
std::wstring JoinedWithSeparator(std::wstring base, const wchar_t* tail) {
  while (!base.empty() && base.back() == L'\\') base.pop_back();
  return base + L'\\' + tail;
}

void FixedDriveRoots(SystemLookups& lookups, const wchar_t* tail, std::vector<std::wstring>& paths) {
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
    std::wstring drive{letter, L':'};
    if (lookups.DriveType(drive) == DRIVE_FIXED) paths.push_back(drive + tail);
  }
}

// False when the recipe says its key's absence means the program is not installed.
bool RegistryValueRoot(SystemLookups& lookups, const RootRecipe& recipe, std::vector<std::wstring>& paths) {
  std::wstring value;
  const RegRead read = lookups.ReadString(HiveKey(recipe.hive), recipe.name, recipe.value, value);
  if (read == RegRead::KeyMissing && (recipe.flags & recipe::kKeyMeansInstalled) != 0) return false;
  if (read != RegRead::Ok) return true;
  if ((recipe.flags & recipe::kValueNamesFile) != 0) {
    const size_t cut = value.rfind(L'\\');
    if (cut != std::wstring::npos) value.erase(cut);
  }
  // Never a tail on an empty base: that would name the current drive's root.
  if (!value.empty()) paths.push_back(JoinedWithSeparator(value, recipe.tail));
  return true;
}

// Adds the recipe's roots; false when the run must not start or the category
// has no task (the outcome says which).
bool AddRecipeRoots(const CategoryInfo& info, const RootRecipe& recipe, SystemLookups& lookups, Roots& roots) {
  std::vector<std::wstring>& paths = roots.paths;
  std::wstring base;
  switch (recipe.source) {
    case RootSource::KnownFolder:
      if (lookups.SpecialFolder(recipe.csidl, base)) paths.push_back(base + recipe.tail);
      break;
    case RootSource::Variable:
      if (lookups.ExpandVariable(recipe.name, base)) paths.push_back(base + recipe.tail);
      break;
    case RootSource::UserTemp:
      if (!lookups.TempPath(base, roots.error)) {
        roots.outcome = RootsOutcome::TempPathFailed;
        return false;
      }
      paths.push_back(base);
      break;
    case RootSource::Marker: paths.push_back(recipe.name != nullptr ? recipe.name : info.taskLabel); break;
    case RootSource::FixedDrives: FixedDriveRoots(lookups, recipe.tail, paths); break;
    case RootSource::RegistryValue:
      if (!RegistryValueRoot(lookups, recipe, paths)) {
        roots.outcome = RootsOutcome::NotInstalled;
        return false;
      }
      break;
    case RootSource::Rule: recipe.rule(lookups, paths); break;
    case RootSource::Found: {
      std::vector<FoundRoot> found;
      recipe.found(lookups, found);
      roots.locks.resize(paths.size());
      for (FoundRoot& root : found) {
        paths.push_back(std::move(root.path));
        roots.locks.push_back(std::move(root.lock));
      }
      break;
    }
  }
  return true;
}

}  // namespace

void FirefoxPlaces(SystemLookups& lookups, std::vector<std::wstring>& paths) {
  std::wstring appData;
  if (!lookups.ExpandVariable(L"%APPDATA%", appData)) return;
  const std::wstring profiles = appData + L"\\Mozilla\\Firefox\\Profiles\\";
  std::wstring profile = ChooseFirefoxProfile(lookups.Subfolders(profiles));
  // Without a profile folder there is no history file to name.
  if (!profile.empty()) paths.push_back(profiles + profile + L"\\places.sqlite");
}

bool HasFileRoots(JunkCategory category) {
  const CountingMethod method = Info(category).method;
  return method != CountingMethod::RecycleBin && method != CountingMethod::RegistryValues &&
         method != CountingMethod::CleanupHandlers;
}

std::wstring ChooseFirefoxProfile(const std::vector<std::wstring>& profileFolders) {
  for (const std::wstring& name : profileFolders) {
    if (name.find(L"default") != std::wstring::npos) return name;
  }
  return profileFolders.empty() ? std::wstring() : profileFolders.back();
}

const wchar_t* HistoryKey(JunkCategory category, int windowsMajor) {
  for (const KeyRecipe& key : Info(category).keys) {
    if (OnVersion(key.windows, windowsMajor)) return key.key;
  }
  return nullptr;
}

std::vector<KeyRecipe> HistoryKeys(JunkCategory category, int windowsMajor) {
  std::vector<KeyRecipe> keys;
  for (const KeyRecipe& key : Info(category).keys) {
    if (OnVersion(key.windows, windowsMajor)) keys.push_back(key);
  }
  return keys;
}

Roots BuildRoots(JunkCategory category, int windowsMajor, SystemLookups& lookups) {
  const CategoryInfo& info = Info(category);
  Roots roots;
  for (const RootRecipe& recipe : info.roots) {
    if (!OnVersion(recipe.windows, windowsMajor) || !InPart(recipe, lookups)) continue;
    if (!AddRecipeRoots(info, recipe, lookups, roots)) {
      roots.paths.clear();
      roots.classes.clear();
      roots.locks.clear();
      roots.patterns.clear();
      roots.oneFile.clear();
      return roots;
    }
    roots.classes.resize(roots.paths.size(), recipe.rootClass);
    roots.locks.resize(roots.paths.size());
    roots.patterns.resize(roots.paths.size(), recipe.pattern);
    roots.oneFile.resize(roots.paths.size(), (recipe.flags & recipe::kOneFile) != 0);
  }
  return roots;
}

}  // namespace purlo

#include "engine/core/CategoryScope.h"

#include "engine/core/CleanupHandlers.h"

namespace purlo {

CategoryScope ScopeOf(JunkCategory category, int windowsMajor) {
  bool user = false;
  bool machine = false;
  for (const RootRecipe& recipe : Info(category).roots) {
    if (!OnVersion(recipe.windows, windowsMajor)) continue;
    (recipe.rootClass == RootClass::Machine ? machine : user) = true;
  }
  if (user && machine) return CategoryScope::Both;
  // A category without roots on this version has nothing of a user's.
  return user ? CategoryScope::User : CategoryScope::Machine;
}

CategoryStatus StatusBeforeStart(JunkCategory category, int windowsMajor, const UserFacts& user) {
  if (!user.known && ScopeOf(category, windowsMajor) == CategoryScope::User) return CategoryStatus::NoUser;
  const CountingMethod method = Info(category).method;
  if (method == CountingMethod::RecycleBin && !user.runningAccount) return CategoryStatus::NotThisUser;
  if (method == CountingMethod::RegistryValues && !user.hiveLoaded) return CategoryStatus::HiveNotLoaded;
  if (method == CountingMethod::CleanupHandlers) return HandlersStatus(Info(category).handlers);
  return CategoryStatus::Done;
}

std::vector<JunkCategory> CategoriesOfPart(const std::vector<JunkCategory>& selection, RunPart part, int windowsMajor) {
  std::vector<JunkCategory> taken;
  for (JunkCategory category : selection) {
    const CategoryScope scope = ScopeOf(category, windowsMajor);
    const bool excluded = (part == RunPart::User && scope == CategoryScope::Machine) ||
                          (part == RunPart::Machine && scope == CategoryScope::User);
    if (!excluded) taken.push_back(category);
  }
  return taken;
}

}  // namespace purlo

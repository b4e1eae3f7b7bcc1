#include "engine/core/CategoryScope.h"

namespace purlo {

CategoryScope ScopeOf(JunkCategory category, int windowsMajor) {
  using C = JunkCategory;
  switch (category) {
    case C::SystemTemp:
    case C::StormPlayerHistory: return CategoryScope::Both;
    case C::Prefetch:
    case C::DownloadedPrograms:
    case C::UpdateDownloads:
    case C::OfficeSetupCache:
    case C::TheWorldHistory: return CategoryScope::Machine;
    case C::KankanHistory: return windowsMajor == 6 ? CategoryScope::User : CategoryScope::Machine;
    default: return CategoryScope::User;
  }
}

CategoryStatus StatusBeforeStart(JunkCategory category, int windowsMajor, const UserFacts& user) {
  if (!user.known && ScopeOf(category, windowsMajor) == CategoryScope::User) return CategoryStatus::NoUser;
  const CountingMethod method = Info(category).method;
  if (method == CountingMethod::RecycleBin && !user.runningAccount) return CategoryStatus::NotThisUser;
  if (method == CountingMethod::RegistryValues && !user.hiveLoaded) return CategoryStatus::HiveNotLoaded;
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

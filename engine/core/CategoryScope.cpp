#include "engine/core/CategoryScope.h"

#include "engine/core/CleanupHandlers.h"

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
    case C::TheWorldHistory:
    case C::PreviousInstallations:
    case C::UpdateCleanup:
    case C::DeliveryOptimization:
    case C::DriverPackages:
    case C::ThumbnailCache: return CategoryScope::Machine;
    case C::KankanHistory: return windowsMajor == 6 ? CategoryScope::User : CategoryScope::Machine;
    default: return CategoryScope::User;
  }
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

RootClass ClassOfRootInPart(JunkCategory category, size_t index, size_t count, RunPart part, int windowsMajor) {
  if (part != RunPart::Whole && ScopeOf(category, windowsMajor) == CategoryScope::Both) {
    if (part == RunPart::Machine) return RootClass::Machine;
    // The user's part: their temporary folder, or the list their player's value names.
    return category == JunkCategory::SystemTemp ? RootClass::PerUser : RootClass::ApplicationFile;
  }
  return ClassOfRoot(category, index, count, windowsMajor);
}

}  // namespace purlo

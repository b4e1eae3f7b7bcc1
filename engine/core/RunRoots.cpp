#include "engine/core/RunRoots.h"


namespace purlo {

void RunRoots::Add(JunkCategory category, const std::vector<ResolvedRoot>& roots) {
  for (const ResolvedRoot& root : roots) {
    // A single file's folder is not the category's to walk.
    if (root.exists && root.fileName.empty()) roots_.push_back({root.folder.identity, category});
  }
}

bool RunRoots::IsRootOfAnother(const FileIdentity& folder, JunkCategory category) const {
  for (const auto& root : roots_) {
    if (root.first == folder && root.second != category) return true;
  }
  return false;
}

bool RunRoots::IsRoot(const FileIdentity& folder) const {
  for (const auto& root : roots_) {
    if (root.first == folder) return true;
  }
  return false;
}

}  // namespace purlo

#include "engine/core/RunRoots.h"

#include "engine/core/CheckedOpen.h"
#include "engine/core/Paths.h"

namespace purlo {

void RunRoots::Add(JunkCategory category, const std::vector<std::wstring>& roots) {
  for (const std::wstring& root : roots) {
    OpenedRoot opened = OpenRoot(root, ProtectedFolders::None(), false);
    if (opened.check == RootCheck::Ready) roots_.push_back({opened.identity, category});
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

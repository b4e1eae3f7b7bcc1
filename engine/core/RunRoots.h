// The folder roots of every category of one run, known by identity to all
// its workers: a walk does not enter a folder that another category of the
// run walks as its own, and no walk removes a folder that is a root of the
// run. So every file is counted and swept once per run.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/FileHandles.h"
#include "engine/core/RootJudge.h"

namespace purlo {

class RunRoots {
 public:
  // Records the folder roots of `category` opened at the run's start.
  void Add(JunkCategory category, const std::vector<ResolvedRoot>& roots);

  // A root of a category of the run other than `category`.
  bool IsRootOfAnother(const FileIdentity& folder, JunkCategory category) const;
  // A root of any category of the run.
  bool IsRoot(const FileIdentity& folder) const;

 private:
  std::vector<std::pair<FileIdentity, JunkCategory>> roots_;
};

}  // namespace purlo

// How a worker, scan or sweep, treats its task: chosen from the first root and
// the label, in a fixed order of tests.
#pragma once

#include "engine/core/RunState.h"

namespace purlo {

enum class Method {
  RecycleBin,
  RegistryValues,  // `key`; none (nullptr) on a version without one
  OneFile,         // roots[0]
  EveryFile,       // every root as one file
  FolderTrees,     // every root as a folder tree
  Nothing,         // QqPlayerHistory on a version other than 5 or 6
};

struct MethodChoice {
  Method method;
  const wchar_t* key = nullptr;
};

MethodChoice ChooseMethod(const ScanTask& task, int windowsMajor);

// A worker's last step: the label from its figures, reported and written into
// its item. Registry categories count entries, the others files.
void WriteResult(const ScanTask& task, CategoryResult& result, bool registry, bool sweep);

}  // namespace purlo

// How a worker, scan or sweep, treats its task: the catalogue's counting
// method of its category, as it comes out on this version of Windows.
#pragma once

#include "engine/core/FileFilter.h"
#include "engine/core/RunState.h"

namespace purlo {

struct MethodChoice {
  CountingMethod method;     // never ByWindowsVersion
  const wchar_t* key = nullptr;  // RegistryValues: none (nullptr) on a version without one
};

MethodChoice ChooseMethod(JunkCategory category, int windowsMajor);

// The roots a worker walks: those resolved at the run's start, or, for a task
// made without them, `task.roots` opened now (refusals reported to the
// task's owner). `file`: each root names one file.
const std::vector<ResolvedRoot>& RootsOf(const ScanTask& task, bool file, std::vector<ResolvedRoot>& opened);

// A worker's last step: the label from its figures, reported to the task's
// view. Registry categories count entries, clean-up handlers only bytes, the
// others files.
void WriteResult(const ScanTask& task, CategoryResult& result, CountingMethod method, bool sweep);

// What the run's filter kept, added to a worker's figures.
void AddKept(CategoryResult& result, const KeptFiles& kept);

}  // namespace purlo

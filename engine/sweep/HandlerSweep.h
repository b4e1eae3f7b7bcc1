// The sweep of a category of Windows clean-up handlers.
#pragma once

#include "engine/core/RunState.h"

namespace purlo {

// Each registered handler measured, purged of what it measured and measured
// again: the bytes freed are the difference. A handler that fails is listed
// in `failedPaths` by its name and the step that failed; a refused one is
// told to the view. A purge asked to stop is waited for, never killed.
void SweepCleanupHandlers(const ScanTask& task, const wchar_t* const* names, CategoryResult& result);

}  // namespace purlo

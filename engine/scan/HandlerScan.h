// The scan of a category of Windows clean-up handlers.
#pragma once

#include <cstdint>

#include "engine/core/RunState.h"

namespace purlo {

// What the category's registered handlers say they can free on the system
// volume, summed; each refused handler is told to the view. COM is set up on
// the calling worker thread for the handlers.
uint64_t ScanCleanupHandlers(const ScanTask& task, const wchar_t* const* names);

}  // namespace purlo

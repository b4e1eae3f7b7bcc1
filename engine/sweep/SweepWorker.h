// One sweep worker per ticked category: removes what its roots name, adds what
// it removed to RunningTotals, writes the item's label.
#pragma once

#include "engine/core/RunState.h"

namespace purlo {

// Thread entry; owns and frees the ScanTask it is given.
unsigned __stdcall SweepWorker(void* task);

}  // namespace purlo

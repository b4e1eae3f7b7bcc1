// The tree-item handle of each category: its identity at run time for the
// selection commands and the controllers. Set by the dialog's initialisation;
// valid while the dialog exists.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "engine/core/Catalogue.h"

namespace ui {

extern HTREEITEM CategoryItems[purlo::kCategoryCount];

inline HTREEITEM ItemOf(purlo::JunkCategory category) { return CategoryItems[static_cast<int>(category)]; }

}  // namespace ui

// The three radio commands under the tree: each sets the ticks of the 22
// category items in one step and touches nothing else.
#pragma once

#include "framework/Controls.h"

namespace ui {

void SelectAll(const fw::CTreeCtrl& tree);         // "全选": tick every item
void InvertSelection(const fw::CTreeCtrl& tree);   // "反选": flip every item, one after the other
void SelectRecommended(const fw::CTreeCtrl& tree); // "推荐": exactly the recommended five

}  // namespace ui

// The three radio commands under the tree: each sets the ticks of the 34
// category items in one step and touches nothing else.
#pragma once

#include "framework/Controls.h"

namespace ui {

void SelectAll(const fw::CTreeCtrl& tree);         // Select all: tick every item
void InvertSelection(const fw::CTreeCtrl& tree);   // Invert: flip every item, one after the other
void SelectRecommended(const fw::CTreeCtrl& tree); // Recommended: exactly the recommended five

}  // namespace ui

#include "ui/SelectionCommands.h"

#include "ui/CategoryItems.h"

namespace ui {

HTREEITEM CategoryItems[purlo::kCategoryCount] = {};

void SelectAll(const fw::CTreeCtrl& tree) {
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) tree.SetCheck(ItemOf(info.id), true);
}

void InvertSelection(const fw::CTreeCtrl& tree) {
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
    HTREEITEM item = ItemOf(info.id);
    tree.SetCheck(item, !tree.GetCheck(item));
  }
}

void SelectRecommended(const fw::CTreeCtrl& tree) {
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) tree.SetCheck(ItemOf(info.id), info.recommended);
}

}  // namespace ui

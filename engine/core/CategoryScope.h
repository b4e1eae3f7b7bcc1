// Whose junk each category holds: the cleaned user's, the machine's, or both
// (a temporary folder of the user's and one of the machine's). A run for
// every user takes the user's part once per profile and the machine's once.
#pragma once

#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/RootJudge.h"
#include "engine/core/RunView.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

enum class CategoryScope { User, Machine, Both };

// From the classes of the row's recipes on this version (windowsMajor as
// WindowsMajorVersion): Kankan's folder is the user's on 6 and the machine's on 5.
CategoryScope ScopeOf(JunkCategory category, int windowsMajor);

// What a category comes to before any of its roots is built, for this user:
// Done when its workers are to run. Without a user, the user's categories
// clean nothing; the recycle bin is only ever the running account's; a hive
// that is not loaded is never loaded for them.
CategoryStatus StatusBeforeStart(JunkCategory category, int windowsMajor, const UserFacts& user);

// Of a selection, the categories a run of this part takes (all of them for
// the whole), in the selection's order.
std::vector<JunkCategory> CategoriesOfPart(const std::vector<JunkCategory>& selection, RunPart part, int windowsMajor);

}  // namespace purlo

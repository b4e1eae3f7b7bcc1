// Links in the recycle bin, dealt with before the shell empties it: the shell
// may follow an item that is a link and delete what it leads to (Wine's
// does). Each item of the current user's bin that is a link is removed as a
// link, through a handle that shows it is the link itself.
#pragma once

#include <string>
#include <vector>

namespace purlo {

// Where the current user's recycled items lie: per fixed drive, the folder of
// each bin format Windows has used; and Wine's trash, on Wine. Whether or not
// each exists.
std::vector<std::wstring> RecycleBinFolders();

// Removes every link among the items of the folders above. Returns the links
// that stay because they could not be removed as links (Wine opens a Unix
// link's target whatever it is asked), and any bin folder that is itself a
// link: while one stays, emptying the bin could reach outside it.
std::vector<std::wstring> RemoveRecycleBinLinks();

}  // namespace purlo

// Opening the history categories' keys without following registry links: a
// link may point at any key the program can write (it runs as administrator).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/Handles.h"

namespace purlo {

// Opens root\path one component at a time, each with REG_OPTION_OPEN_LINK.
// Empty when the key is missing, cannot be opened with `access`, or when it
// or any key on the way to it is a link.
win::UniqueRegKey OpenKeyWithoutLinks(HKEY root, const std::wstring& path, REGSAM access);

// How many values the open key holds directly; 0 when it cannot be told.
DWORD ValuesIn(HKEY key);
// The names of the direct sub-keys of root\path (opened without links);
// empty when it cannot be so opened. Each is still opened on its own
// without links before anything of it is read or removed.
std::vector<std::wstring> SubkeyNames(HKEY root, const std::wstring& path);

// A key opened with REG_OPTION_OPEN_LINK (and KEY_QUERY_VALUE) that is a link.
bool IsRegistryLink(HKEY key);

}  // namespace purlo

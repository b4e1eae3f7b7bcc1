// Opening the history categories' keys without following registry links: a
// link may point at any key the program can write (it runs as administrator).
#pragma once

#include <windows.h>

#include <string>

#include "win/Handles.h"

namespace purlo {

// Opens root\path one component at a time, each with REG_OPTION_OPEN_LINK.
// Empty when the key is missing, cannot be opened with `access`, or when it
// or any key on the way to it is a link.
win::UniqueRegKey OpenKeyWithoutLinks(HKEY root, const std::wstring& path, REGSAM access);

// How many values the open key holds directly; 0 when it cannot be told.
DWORD ValuesIn(HKEY key);

// A key opened with REG_OPTION_OPEN_LINK (and KEY_QUERY_VALUE) that is a link.
bool IsRegistryLink(HKEY key);

}  // namespace purlo

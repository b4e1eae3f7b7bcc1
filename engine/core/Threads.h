// Starting the engine's threads, with a seam for tests that make creation fail.
#pragma once

#include <windows.h>

#include "win/Thread.h"

namespace purlo {

using ThreadEntry = win::ThreadEntry;
// Returns the new thread's handle, or nullptr when it could not be created.
using ThreadStarter = HANDLE (*)(ThreadEntry entry, void* argument);

HANDLE StartThread(ThreadEntry entry, void* argument);

}  // namespace purlo

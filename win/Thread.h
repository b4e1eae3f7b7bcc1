// The one way a thread is started: through the C runtime's _beginthreadex,
// as the runtime expects of every thread that calls into it.
#pragma once

#include <windows.h>

#include "win/Handles.h"

namespace win {

using ThreadEntry = unsigned(__stdcall*)(void*);

enum class ThreadStart { Running, Suspended };

// The new thread's handle; empty when the thread could not be created.
UniqueThread BeginThread(ThreadEntry entry, void* argument, ThreadStart start = ThreadStart::Running);

}  // namespace win

#include "engine/core/Threads.h"

#include <process.h>

namespace purlo {

HANDLE StartThread(ThreadEntry entry, void* argument) {
  return reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, entry, argument, 0, nullptr));
}

}  // namespace purlo

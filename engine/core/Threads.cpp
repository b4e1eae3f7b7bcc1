#include "engine/core/Threads.h"

#include "win/Thread.h"

namespace purlo {

HANDLE StartThread(ThreadEntry entry, void* argument) {
  return win::BeginThread(entry, argument).Release();
}

}  // namespace purlo

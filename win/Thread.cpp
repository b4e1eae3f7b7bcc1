#include "win/Thread.h"

#include <process.h>

namespace win {

UniqueThread BeginThread(ThreadEntry entry, void* argument, ThreadStart start) {
  const unsigned flags = start == ThreadStart::Suspended ? CREATE_SUSPENDED : 0;
  return UniqueThread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, entry, argument, flags, nullptr)));
}

}  // namespace win

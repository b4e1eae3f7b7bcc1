// One run at a time on the machine: a scan or a sweep, from the dialog or the
// console, by any user, elevated or not, in any session. Two runs at once
// would both open, count and delete the same files.
#pragma once

#include "win/Handles.h"

namespace purlo {

// The machine-wide name; without a Global namespace (systems without terminal
// services) the same name in the session's own.
extern const wchar_t kRunLockName[];

// A named mutex held from the start of a run to its end. A mutex belongs to
// the thread that took it: Take and Release on the same thread. The process
// ending releases it too (the next run then finds it abandoned and takes it).
class RunLock {
 public:
  RunLock() = default;
  ~RunLock() { Release(); }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // True when this object now holds the lock; false while another run holds
  // it, also one of an account whose lock this one may not even open.
  bool Take();
  void Release();
  bool Held() const { return mutex_.Valid(); }

 private:
  win::UniqueKernel mutex_;
};

}  // namespace purlo

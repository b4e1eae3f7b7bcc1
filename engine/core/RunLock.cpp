#include "engine/core/RunLock.h"

#include <string>

namespace purlo {

const wchar_t kRunLockName[] = L"Purlo.Run.{5b8f3c1e-7a0d-4e55-9d2c-1f6b0a4c8e31}";

namespace {

// The mutex of that name, created when no run has it open. An elevated or
// SYSTEM run's mutex denies a user's process access: it exists, so a run
// holds it, and the answer is the same as for a held one.
HANDLE OpenRunMutex() {
  const std::wstring global = std::wstring(L"Global\\") + kRunLockName;
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, global.c_str());
  if (mutex != nullptr || ::GetLastError() == ERROR_ACCESS_DENIED) return mutex;
  return ::CreateMutexW(nullptr, FALSE, kRunLockName);
}

}  // namespace

bool RunLock::Take() {
  if (Held()) return true;
  win::UniqueKernel mutex(OpenRunMutex());
  if (!mutex) return false;
  // Abandoned: the run that held it ended without releasing it (its process
  // died). Its files are each either deleted or untouched, so the lock is ours.
  const DWORD wait = ::WaitForSingleObject(mutex.Get(), 0);
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) return false;
  mutex_ = std::move(mutex);
  return true;
}

void RunLock::Release() {
  if (!Held()) return;
  ::ReleaseMutex(mutex_.Get());
  mutex_.Reset();
}

}  // namespace purlo

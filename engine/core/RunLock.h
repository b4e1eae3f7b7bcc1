// One run at a time on the machine: a scan or a sweep, from the dialog or the
// console, by any user, elevated or not, in any session. Two runs at once
// would both open, count and delete the same files.
#pragma once

#include <windows.h>

#include "win/Handles.h"

namespace purlo {

// The lock's name in every namespace it is taken in.
extern const wchar_t kRunLockName[];

// Where a run takes the lock.
enum class RunLockPlace {
  // A private namespace whose boundary holds the Administrators group: an
  // elevated run on Windows Vista and later. A process without that group
  // cannot make the namespace, so it cannot take the name first.
  PrivateNamespace,
  // "Global\": Windows XP, which has no private namespaces, and Wine, whose
  // CreatePrivateNamespaceW ends the process.
  Global,
  // The session's own namespace: a run without administrator rights, which
  // can touch only its own user's files.
  Session,
};

// What taking the lock asks of the system; the tests put fakes in.
struct RunLockCalls {
  bool underWine = false;
  bool administrator = false;  // the token's Administrators group is enabled
  // Windows Vista and later: all null on Windows XP.
  HANDLE(WINAPI* createBoundaryDescriptor)(LPCWSTR, ULONG) = nullptr;
  BOOL(WINAPI* addSidToBoundaryDescriptor)(HANDLE*, PSID) = nullptr;
  HANDLE(WINAPI* createPrivateNamespace)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR) = nullptr;
  HANDLE(WINAPI* openPrivateNamespace)(LPVOID, LPCWSTR) = nullptr;
  win::ClosePrivateNamespaceCall closePrivateNamespace = nullptr;
  win::DeleteBoundaryDescriptorCall deleteBoundaryDescriptor = nullptr;
  HANDLE(WINAPI* createMutex)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR) = ::CreateMutexW;
};

// This system's, looked up once.
const RunLockCalls& SystemRunLockCalls();
RunLockPlace PlaceOfRunLock(const RunLockCalls& calls);

// A named mutex held from the start of a run to its end. A mutex belongs to
// the thread that took it: Take and Release on the same thread. The process
// ending releases it too (the next run then finds it abandoned and takes it).
class RunLock {
 public:
  explicit RunLock(const RunLockCalls& calls = SystemRunLockCalls()) : calls_(calls) {}
  ~RunLock() { Release(); }
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // True when this object now holds the lock. False while another run holds
  // it, and whenever the name cannot be had: held by an account whose lock
  // this one may not open, or by an object of another kind. A failure never
  // leads to another name.
  bool Take();
  void Release();
  bool Held() const { return mutex_.Valid(); }

 private:
  bool EnterPrivateNamespace();

  const RunLockCalls& calls_;
  win::UniqueBoundaryDescriptor boundary_;
  win::UniquePrivateNamespace namespace_;  // open while the mutex is: it keeps the name's place
  win::UniqueKernel mutex_;
};

}  // namespace purlo

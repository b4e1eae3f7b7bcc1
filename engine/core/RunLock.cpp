#include "engine/core/RunLock.h"

#include <string>

namespace purlo {

const wchar_t kRunLockName[] = L"Purlo.Run.{5b8f3c1e-7a0d-4e55-9d2c-1f6b0a4c8e31}";

namespace {

const wchar_t kBoundaryName[] = L"Purlo.Run";
const wchar_t kNamespaceAlias[] = L"Purlo";

template <typename Call>
Call Lookup(HMODULE module, const char* name) {
  return module == nullptr ? nullptr : reinterpret_cast<Call>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

bool AdministratorsEnabled() {
  BYTE sid[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof sid;
  BOOL member = FALSE;
  return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
         ::CheckTokenMembership(nullptr, sid, &member) && member;
}

RunLockCalls LookUpCalls() {
  RunLockCalls calls;
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  calls.underWine = Lookup<FARPROC>(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  calls.administrator = AdministratorsEnabled();
  calls.createBoundaryDescriptor = Lookup<decltype(calls.createBoundaryDescriptor)>(kernel, "CreateBoundaryDescriptorW");
  calls.addSidToBoundaryDescriptor =
      Lookup<decltype(calls.addSidToBoundaryDescriptor)>(kernel, "AddSIDToBoundaryDescriptor");
  calls.createPrivateNamespace = Lookup<decltype(calls.createPrivateNamespace)>(kernel, "CreatePrivateNamespaceW");
  calls.openPrivateNamespace = Lookup<decltype(calls.openPrivateNamespace)>(kernel, "OpenPrivateNamespaceW");
  calls.closePrivateNamespace = Lookup<win::ClosePrivateNamespaceCall>(kernel, "ClosePrivateNamespace");
  calls.deleteBoundaryDescriptor = Lookup<win::DeleteBoundaryDescriptorCall>(kernel, "DeleteBoundaryDescriptor");
  return calls;
}

bool HasNamespaceCalls(const RunLockCalls& calls) {
  return calls.createBoundaryDescriptor && calls.addSidToBoundaryDescriptor && calls.createPrivateNamespace &&
         calls.openPrivateNamespace && calls.closePrivateNamespace && calls.deleteBoundaryDescriptor;
}

}  // namespace

const RunLockCalls& SystemRunLockCalls() {
  static const RunLockCalls calls = LookUpCalls();
  return calls;
}

RunLockPlace PlaceOfRunLock(const RunLockCalls& calls) {
  if (calls.underWine || !HasNamespaceCalls(calls)) return RunLockPlace::Global;
  return calls.administrator ? RunLockPlace::PrivateNamespace : RunLockPlace::Session;
}

// Made by the first run, opened by the others while it exists; either way
// only by a process whose token holds the Administrators group.
bool RunLock::EnterPrivateNamespace() {
  BYTE administrators[SECURITY_MAX_SID_SIZE];
  DWORD size = sizeof administrators;
  if (!::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size)) return false;
  boundary_ = win::UniqueBoundaryDescriptor(calls_.createBoundaryDescriptor(kBoundaryName, 0),
                                            calls_.deleteBoundaryDescriptor);
  if (!boundary_ || !calls_.addSidToBoundaryDescriptor(boundary_.Address(), administrators)) return false;
  HANDLE opened = calls_.createPrivateNamespace(nullptr, boundary_.Get(), kNamespaceAlias);
  if (opened == nullptr && ::GetLastError() == ERROR_ALREADY_EXISTS) {
    opened = calls_.openPrivateNamespace(boundary_.Get(), kNamespaceAlias);
  }
  namespace_ = win::UniquePrivateNamespace(opened, calls_.closePrivateNamespace);
  return namespace_.Valid();
}

bool RunLock::Take() {
  if (Held()) return true;
  std::wstring name;
  switch (PlaceOfRunLock(calls_)) {
    case RunLockPlace::PrivateNamespace:
      if (!EnterPrivateNamespace()) {
        Release();
        return false;
      }
      name = std::wstring(kNamespaceAlias) + L"\\" + kRunLockName;
      break;
    case RunLockPlace::Global: name = std::wstring(L"Global\\") + kRunLockName; break;
    case RunLockPlace::Session: name = kRunLockName; break;
  }
  // Null: another account's run made it and this one may not open it, or an
  // object of another kind holds the name (ERROR_INVALID_HANDLE). Either
  // way the name is taken.
  win::UniqueKernel mutex(calls_.createMutex(nullptr, FALSE, name.c_str()));
  // Abandoned: the run that held it ended without releasing it (its process
  // died). Its files are each either deleted or untouched, so the lock is ours.
  const DWORD wait = mutex ? ::WaitForSingleObject(mutex.Get(), 0) : WAIT_FAILED;
  if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
    mutex.Reset();
    Release();
    return false;
  }
  mutex_ = std::move(mutex);
  return true;
}

void RunLock::Release() {
  if (Held()) ::ReleaseMutex(mutex_.Get());
  mutex_.Reset();
  namespace_.Reset();
  boundary_.Reset();
}

}  // namespace purlo

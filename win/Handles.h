// One owner per kind of Win32 handle: non-copyable, movable, closed exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace win {

template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type h) : h_(h) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Type Get() const { return h_; }
  bool Valid() const { return h_ != Traits::Invalid(); }
  explicit operator bool() const { return Valid(); }

  // Gives up ownership without closing.
  Type Release() { return std::exchange(h_, Traits::Invalid()); }
  void Reset(Type h = Traits::Invalid()) {
    Close();
    h_ = h;
  }
  // For APIs that return the handle through an out-parameter.
  Type* Put() {
    Reset();
    return &h_;
  }

 private:
  void Close() {
    if (Valid()) Traits::Close(h_);
    h_ = Traits::Invalid();
  }
  Type h_ = Traits::Invalid();
};

struct FileTraits {  // CreateFileW
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct FindTraits {  // FindFirstFileW
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
struct KernelTraits {  // threads, events, processes
  using Type = HANDLE;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
struct RegKeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};

using UniqueFile = UniqueHandle<FileTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniqueKernel = UniqueHandle<KernelTraits>;
using UniqueThread = UniqueKernel;
using UniqueEvent = UniqueKernel;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;

// Handles whose closing call is newer than Windows XP, and so looked up at run
// time: the call travels with the handle.
using ClosePrivateNamespaceCall = BOOLEAN(WINAPI*)(HANDLE, ULONG);
using DeleteBoundaryDescriptorCall = VOID(WINAPI*)(HANDLE);

template <typename Call>
class UniqueLookedUp {
 public:
  UniqueLookedUp() = default;
  UniqueLookedUp(HANDLE h, Call close) : h_(h), close_(close) {}
  ~UniqueLookedUp() { Reset(); }
  UniqueLookedUp(const UniqueLookedUp&) = delete;
  UniqueLookedUp& operator=(const UniqueLookedUp&) = delete;
  UniqueLookedUp(UniqueLookedUp&& other) noexcept
      : h_(std::exchange(other.h_, nullptr)), close_(std::exchange(other.close_, nullptr)) {}
  UniqueLookedUp& operator=(UniqueLookedUp&& other) noexcept {
    if (this != &other) {
      Reset();
      h_ = std::exchange(other.h_, nullptr);
      close_ = std::exchange(other.close_, nullptr);
    }
    return *this;
  }

  HANDLE Get() const { return h_; }
  // For calls that may replace the handle (AddSIDToBoundaryDescriptor).
  HANDLE* Address() { return &h_; }
  bool Valid() const { return h_ != nullptr; }
  explicit operator bool() const { return Valid(); }
  void Reset() {
    if (h_ != nullptr && close_ != nullptr) Close(close_, h_);
    h_ = nullptr;
  }

 private:
  static void Close(ClosePrivateNamespaceCall close, HANDLE h) { close(h, 0); }
  static void Close(DeleteBoundaryDescriptorCall close, HANDLE h) { close(h); }
  HANDLE h_ = nullptr;
  Call close_ = nullptr;
};

using UniquePrivateNamespace = UniqueLookedUp<ClosePrivateNamespaceCall>;      // CreatePrivateNamespaceW
using UniqueBoundaryDescriptor = UniqueLookedUp<DeleteBoundaryDescriptorCall>;  // CreateBoundaryDescriptorW

// A critical section that knows whether its creation worked.
class CriticalSection {
 public:
  explicit CriticalSection(DWORD spinCount = 0x80000400);
  ~CriticalSection();
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  bool Ready() const { return ready_; }
  void Enter() { ::EnterCriticalSection(&cs_); }
  void Leave() { ::LeaveCriticalSection(&cs_); }

 private:
  CRITICAL_SECTION cs_;
  bool ready_ = false;
};

class Lock {
 public:
  explicit Lock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~Lock() { cs_.Leave(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace win

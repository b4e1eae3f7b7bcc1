// Global memory blocks (GlobalAlloc), for the calls that take an HGLOBAL such
// as CreateStreamOnHGlobal, and a guard for GlobalLock ... GlobalUnlock.
#pragma once

#include <windows.h>

#include "win/Handles.h"

namespace win {

struct GlobalTraits {
  using Type = HGLOBAL;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::GlobalFree(h); }
};
using UniqueGlobal = UniqueHandle<GlobalTraits>;

class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL block) : block_(block), data_(block ? ::GlobalLock(block) : nullptr) {}
  ~GlobalLockGuard() { Unlock(); }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;

  void* Get() const { return data_; }
  explicit operator bool() const { return data_ != nullptr; }
  void Unlock() {
    if (data_ != nullptr) ::GlobalUnlock(block_);
    data_ = nullptr;
  }

 private:
  HGLOBAL block_;
  void* data_;
};

}  // namespace win

// GetTickCount64 for Windows XP, which lacks it. The posix threading runtime
// (winpthread) calls it through its import slot; defining that slot here, in an
// object every program links, keeps the linker from taking the import from
// kernel32, so the programs still start on XP. Where the system has the call,
// it is used.
#include <windows.h>

#include <atomic>
#include <cstdint>

namespace {

using TickCount64Call = ULONGLONG(WINAPI*)();

// GetTickCount wraps after 49.7 days; the last value seen carries the wraps.
// Exact as long as the runtime asks at least once in that time.
std::atomic<uint64_t> g_lastTicks{0};

ULONGLONG WINAPI ExtendedTickCount() {
  uint64_t last = g_lastTicks.load();
  for (;;) {
    const uint64_t now = (last & ~uint64_t{0xFFFFFFFF}) | ::GetTickCount();
    const uint64_t next = now < last ? now + (uint64_t{1} << 32) : now;
    if (g_lastTicks.compare_exchange_weak(last, next)) return next;
  }
}

TickCount64Call SystemOrExtended() {
  auto found = reinterpret_cast<TickCount64Call>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetTickCount64")));
  return found != nullptr ? found : &ExtendedTickCount;
}

// No function-local static: its guard may wait inside the runtime that calls here.
std::atomic<TickCount64Call> g_tickCount64{nullptr};

ULONGLONG WINAPI TickCount64() {
  TickCount64Call call = g_tickCount64.load();
  if (call == nullptr) {
    call = SystemOrExtended();
    g_tickCount64.store(call);
  }
  return call();
}

}  // namespace

#if defined(__i386__)
#define PURLO_TICK_COUNT64_SLOT "__imp__GetTickCount64@0"
#else
#define PURLO_TICK_COUNT64_SLOT "__imp_GetTickCount64"
#endif

extern "C" TickCount64Call purloTickCount64Slot __asm__(PURLO_TICK_COUNT64_SLOT);
TickCount64Call purloTickCount64Slot = &TickCount64;

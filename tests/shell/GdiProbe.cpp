#include "tests/shell/GdiProbe.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace testing_support {

namespace {

#pragma pack(push, 1)
struct HandleEntry {  // one slot of the GDI handle table, 64-bit layout
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t user;
};
#pragma pack(pop)
static_assert(sizeof(HandleEntry) == 24, "GDI handle table entry");
constexpr size_t kTableSlots = 0x10000;
constexpr uint8_t kFontType = 0x0a;

// TEB offsets: a WOW64 thread's 32-bit TEB points to its 64-bit one.
constexpr size_t kWowTebOffset = 0xfdc;
constexpr size_t kTeb64Peb = 0x60;
constexpr size_t kPeb64GdiTable = 0xf8;

using QueryThread = NTSTATUS(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
struct ThreadBasic {
  NTSTATUS status;
  void* teb;
  void* process;
  void* thread;
  ULONG_PTR affinity;
  LONG priority;
  LONG basePriority;
};

HANDLE AnyThreadOf(DWORD processId) {
  HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof(entry);
  HANDLE thread = nullptr;
  for (BOOL more = ::Thread32First(snapshot, &entry); more && !thread; more = ::Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == processId) thread = ::OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
  }
  ::CloseHandle(snapshot);
  return thread;
}

}  // namespace

GdiProbe::GdiProbe(DWORD processId) {
  process_ = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId);
  if (process_ == nullptr) return;
  ::SetLastError(0);
  if (::GetGuiResources(process_, GR_GDIOBJECTS) != 0 || ::GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) {
    useGuiResources_ = true;
  }
  // The table, for ReadFont always and for the count where GetGuiResources is a stub.
  auto query = reinterpret_cast<QueryThread>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationThread")));
  HANDLE thread = AnyThreadOf(processId);
  if (query == nullptr || thread == nullptr) {
    if (thread) ::CloseHandle(thread);
    return;
  }
  ThreadBasic basic = {};
  const NTSTATUS status = query(thread, 0, &basic, sizeof(basic), nullptr);
  ::CloseHandle(thread);
  if (status != 0) return;
  uint64_t teb64 = reinterpret_cast<uintptr_t>(basic.teb);
  if (sizeof(void*) == 4) {
    LONG offset = 0;
    if (!Read(teb64 + kWowTebOffset, &offset, sizeof(offset)) || offset == 0) return;
    teb64 += static_cast<int64_t>(offset);
  }
  uint64_t peb64 = 0, table = 0;
  if (!Read(teb64 + kTeb64Peb, &peb64, sizeof(peb64)) || !Read(peb64 + kPeb64GdiTable, &table, sizeof(table))) return;
  table_ = table;
}

GdiProbe::~GdiProbe() {
  if (process_) ::CloseHandle(process_);
}

bool GdiProbe::Read(unsigned long long address, void* buffer, size_t size) {
  if (address == 0 || (sizeof(void*) == 4 && (address >> 32) != 0)) return false;
  SIZE_T read = 0;
  return ::ReadProcessMemory(process_, reinterpret_cast<void*>(static_cast<uintptr_t>(address)), buffer, size,
                             &read) &&
         read == size;
}

long GdiProbe::Objects() {
  if (useGuiResources_) return static_cast<long>(::GetGuiResources(process_, GR_GDIOBJECTS));
  std::vector<HandleEntry> entries(kTableSlots);
  if (!Read(table_, entries.data(), entries.size() * sizeof(HandleEntry))) return -1;
  long live = 0;
  for (const HandleEntry& e : entries) live += e.type != 0 ? 1 : 0;
  return live;
}

std::string GdiProbe::Histogram() {
  std::vector<HandleEntry> entries(kTableSlots);
  if (!Read(table_, entries.data(), entries.size() * sizeof(HandleEntry))) return "unreadable";
  long counts[256] = {};
  for (const HandleEntry& e : entries) counts[e.type] += 1;
  std::string text;
  for (int t = 1; t < 256; ++t) {
    if (counts[t]) text += std::to_string(t) + ":" + std::to_string(counts[t]) + " ";
  }
  return text;
}

bool GdiProbe::ReadFont(HFONT font, LOGFONTW* out) {
  const size_t slot = LOWORD(reinterpret_cast<uintptr_t>(font));
  HandleEntry entry = {};
  if (!Read(table_ + slot * sizeof(HandleEntry), &entry, sizeof(entry)) || entry.type != kFontType) return false;
  // The object begins with a small header, then the LOGFONTW it was made from.
  unsigned char object[128];
  if (!Read(entry.object, object, sizeof(object))) return false;
  for (size_t at = 0; at + sizeof(LOGFONTW) <= sizeof(object); at += 4) {
    LOGFONTW candidate;
    std::memcpy(&candidate, object + at, sizeof(candidate));
    const bool plausible = candidate.lfWeight >= 0 && candidate.lfWeight <= 1000 && candidate.lfUnderline <= 1 &&
                           candidate.lfItalic <= 1 && candidate.lfStrikeOut <= 1 && candidate.lfFaceName[0] != 0 &&
                           std::wmemchr(candidate.lfFaceName, L'\0', LF_FACESIZE) != nullptr &&
                           candidate.lfHeight != 0 && candidate.lfHeight > -200 && candidate.lfHeight < 200;
    if (plausible) {
      *out = candidate;
      return true;
    }
  }
  return false;
}

bool GdiProbe::ControlFont(HWND control, LOGFONTW* out) {
  const uint64_t state = static_cast<uint64_t>(static_cast<uintptr_t>(::GetWindowLongPtrW(control, 0)));
  uint32_t words[128];
  if (state == 0 || !Read(state, words, sizeof(words))) return false;
  std::vector<HandleEntry> entries(kTableSlots);
  if (!Read(table_, entries.data(), entries.size() * sizeof(HandleEntry))) return false;
  for (uint32_t word : words) {
    const size_t slot = word & 0xFFFF;
    const HandleEntry& e = entries[slot];
    if (e.type == kFontType && (word >> 16) == e.unique && ReadFont(reinterpret_cast<HFONT>(static_cast<uintptr_t>(word)), out)) {
      return true;
    }
  }
  return false;
}

}  // namespace testing_support

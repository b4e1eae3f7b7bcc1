#include "engine/scan/RunState.h"

namespace purlo {

RunningTotalsStore RunningTotals;
std::atomic<uint8_t> RunMode{1};
std::atomic<uint8_t> StopRequested{0};
std::atomic<uint8_t> ShutdownRequested{0};
RunGateStore RunGate;
int WindowsMajorVersion = 0;
WorkerListStore* WorkerList = nullptr;

void RunningTotalsStore::Add(uint64_t items, double bytes) {
  win::Lock hold(TotalsLock);
  totals_.items += items;
  totals_.bytes += bytes;
}

Totals RunningTotalsStore::Read() {
  win::Lock hold(TotalsLock);
  return totals_;
}

Totals RunningTotalsStore::Take() {
  win::Lock hold(TotalsLock);
  Totals taken = totals_;
  totals_ = Totals{};
  return taken;
}

RunGateStore::RunGateStore() : open_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

void RunGateStore::Open() { ::SetEvent(open_.Get()); }

void RunGateStore::Close() { ::ResetEvent(open_.Get()); }

bool RunGateStore::IsOpen() const { return ::WaitForSingleObject(open_.Get(), 0) == WAIT_OBJECT_0; }

// Without an event (creation failed) there is no pause: the gate stays open.
void RunGateStore::Pass() const {
  if (open_) ::WaitForSingleObject(open_.Get(), INFINITE);
}

int MajorVersionFromGetVersion() {
  DWORD major = LOBYTE(LOWORD(::GetVersion()));
  return (major == 5 || major == 6) ? static_cast<int>(major) : 0;
}

void WorkerListStore::Append(HANDLE thread) {
  win::Lock hold(lock_);
  handles_.push_back(thread);
  unclaimed_.push_back(thread);
}

std::vector<HANDLE> WorkerListStore::ClaimForMonitor() {
  win::Lock hold(lock_);
  std::vector<HANDLE> claimed;
  claimed.swap(unclaimed_);
  return claimed;
}

std::vector<HANDLE> WorkerListStore::Snapshot() {
  win::Lock hold(lock_);
  return handles_;
}

void WorkerListStore::CloseAndRemove(const std::vector<HANDLE>& handles) {
  win::Lock hold(lock_);
  for (HANDLE h : handles) {
    for (auto it = handles_.begin(); it != handles_.end(); ++it) {
      if (*it == h) {
        handles_.erase(it);
        break;
      }
    }
    ::CloseHandle(h);
  }
}

// Under the lock, so that no handle is closed (and its value reused) while it
// is being suspended or resumed; neither call waits for the thread.
void WorkerListStore::SuspendAll() {
  win::Lock hold(lock_);
  for (HANDLE h : handles_) ::SuspendThread(h);
}

void WorkerListStore::ResumeAll(int times) {
  win::Lock hold(lock_);
  for (HANDLE h : handles_) {
    for (int i = 0; i < times; ++i) ::ResumeThread(h);
  }
}

size_t WorkerListStore::Size() {
  win::Lock hold(lock_);
  return handles_.size();
}

void WorkerListStore::SetOwner(RunView* owner) {
  win::Lock hold(lock_);
  owner_ = owner;
}

RunView* WorkerListStore::Owner() {
  win::Lock hold(lock_);
  return owner_;
}

// Monitors that have already ended are dropped here, so a long-lived dialog
// does not collect one handle per run.
void WorkerListStore::AddMonitor(HANDLE monitor) {
  win::Lock hold(lock_);
  for (auto it = monitors_.begin(); it != monitors_.end();) {
    if (::WaitForSingleObject(*it, 0) == WAIT_OBJECT_0) {
      ::CloseHandle(*it);
      it = monitors_.erase(it);
    } else {
      ++it;
    }
  }
  monitors_.push_back(monitor);
}

void WorkerListStore::WaitForMonitors() {
  std::vector<HANDLE> monitors;
  {
    win::Lock hold(lock_);
    monitors.swap(monitors_);
  }
  for (HANDLE h : monitors) {
    ::WaitForSingleObject(h, INFINITE);
    ::CloseHandle(h);
  }
}

bool WorkerListStore::WaitForThreads(DWORD milliseconds) {
  std::vector<win::UniqueKernel> copies;
  {
    win::Lock hold(lock_);
    const HANDLE self = ::GetCurrentProcess();
    for (const std::vector<HANDLE>* list : {&handles_, &monitors_}) {
      for (HANDLE h : *list) {
        HANDLE copy = nullptr;
        if (::DuplicateHandle(self, h, self, &copy, SYNCHRONIZE, FALSE, 0)) copies.emplace_back(copy);
      }
    }
  }
  const DWORD start = ::GetTickCount();
  for (const win::UniqueKernel& thread : copies) {
    const DWORD spent = ::GetTickCount() - start;
    const DWORD left = spent < milliseconds ? milliseconds - spent : 0;
    if (::WaitForSingleObject(thread.Get(), left) != WAIT_OBJECT_0) return false;
  }
  return true;
}

bool InitRunState() {
  if (!RunningTotals.Ready()) return false;
  if (WorkerList == nullptr) WorkerList = new WorkerListStore();
  return true;
}

}  // namespace purlo

#include "engine/core/RunState.h"

#include <utility>

namespace purlo {

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

// The flag is set after the event and cleared before it, so a walker that
// sees it closed finds the event reset, or set again by an Open that follows.
void RunGateStore::Open() {
  ::SetEvent(open_.Get());
  closed_.store(false);
}

void RunGateStore::Close() {
  closed_.store(true);
  ::ResetEvent(open_.Get());
}

bool RunGateStore::IsOpen() const { return ::WaitForSingleObject(open_.Get(), 0) == WAIT_OBJECT_0; }

// Once per entry of every walk: while the gate is open it costs a read of the
// flag, not a wait (under Wine each wait is a round trip to the server).
// Without an event (creation failed) there is no pause: the gate stays open.
void RunGateStore::Pass() const {
  if (open_ && closed_.load()) ::WaitForSingleObject(open_.Get(), INFINITE);
}

int MajorVersionFromGetVersion() {
  DWORD major = LOBYTE(LOWORD(::GetVersion()));
  return (major == 5 || major == 6) ? static_cast<int>(major) : 0;
}

void WorkerListStore::Append(win::UniqueThread thread) {
  win::Lock hold(lock_);
  unclaimed_.push_back(thread.Get());
  handles_.push_back(std::move(thread));
}

std::vector<HANDLE> WorkerListStore::ClaimForMonitor() {
  win::Lock hold(lock_);
  std::vector<HANDLE> claimed;
  claimed.swap(unclaimed_);
  return claimed;
}

std::vector<HANDLE> WorkerListStore::Snapshot() {
  win::Lock hold(lock_);
  std::vector<HANDLE> listed;
  listed.reserve(handles_.size());
  for (const win::UniqueThread& h : handles_) listed.push_back(h.Get());
  return listed;
}

void WorkerListStore::CloseAndRemove(const std::vector<HANDLE>& handles) {
  win::Lock hold(lock_);
  for (HANDLE h : handles) {
    for (auto it = handles_.begin(); it != handles_.end(); ++it) {
      if (it->Get() == h) {
        handles_.erase(it);
        break;
      }
    }
  }
}

size_t WorkerListStore::Size() {
  win::Lock hold(lock_);
  return handles_.size();
}

void WorkerListStore::ReturnClaimed(const std::vector<HANDLE>& handles) {
  win::Lock hold(lock_);
  unclaimed_.insert(unclaimed_.begin(), handles.begin(), handles.end());
}

WorkerListStore::MonitorToken WorkerListStore::ReserveMonitor() {
  win::Lock hold(lock_);
  const MonitorToken token = nextToken_++;
  monitors_.push_back(MonitorSlot{token, win::UniqueThread(), false});
  return token;
}

// A handle not taken into a slot is closed on return: its monitor has ended,
// or WaitForMonitors took its slot before the handle arrived.
void WorkerListStore::AttachMonitor(MonitorToken token, win::UniqueThread monitor) {
  win::Lock hold(lock_);
  for (auto it = monitors_.begin(); it != monitors_.end(); ++it) {
    if (it->token != token) continue;
    if (it->ended) {
      monitors_.erase(it);
    } else {
      it->thread = std::move(monitor);
    }
    return;
  }
}

void WorkerListStore::ForgetMonitor(MonitorToken token) {
  win::Lock hold(lock_);
  for (auto it = monitors_.begin(); it != monitors_.end(); ++it) {
    if (it->token == token) {
      monitors_.erase(it);
      return;
    }
  }
}

void WorkerListStore::MonitorEnded(MonitorToken token) {
  win::Lock hold(lock_);
  for (auto it = monitors_.begin(); it != monitors_.end(); ++it) {
    if (it->token != token) continue;
    if (it->thread) {
      monitors_.erase(it);  // closes its handle
    } else {
      it->ended = true;  // AttachMonitor closes the handle
    }
    return;
  }
}

void WorkerListStore::WaitForMonitors() {
  std::vector<win::UniqueThread> monitors;
  {
    win::Lock hold(lock_);
    std::vector<MonitorSlot> pending;
    for (MonitorSlot& slot : monitors_) {
      if (slot.thread) {
        monitors.push_back(std::move(slot.thread));
      } else if (!slot.ended) {
        pending.push_back(std::move(slot));
      }
    }
    monitors_.swap(pending);
  }
  for (const win::UniqueThread& monitor : monitors) ::WaitForSingleObject(monitor.Get(), INFINITE);
}

size_t WorkerListStore::MonitorHandles() {
  win::Lock hold(lock_);
  size_t open = 0;
  for (const MonitorSlot& slot : monitors_) open += slot.thread.Valid();
  return open;
}

bool WorkerListStore::WaitForThreads(DWORD milliseconds) {
  std::vector<win::UniqueKernel> copies;
  {
    win::Lock hold(lock_);
    const HANDLE self = ::GetCurrentProcess();
    auto copy = [&](const win::UniqueThread& thread) {
      win::UniqueKernel duplicate;
      if (::DuplicateHandle(self, thread.Get(), self, duplicate.Put(), SYNCHRONIZE, FALSE, 0)) {
        copies.push_back(std::move(duplicate));
      }
    };
    for (const win::UniqueThread& worker : handles_) copy(worker);
    for (const MonitorSlot& slot : monitors_) {
      if (slot.thread) copy(slot.thread);
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

}  // namespace purlo

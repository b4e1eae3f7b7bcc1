// The parts a Run is made of (engine/core/Run.h): the running totals with
// their lock, the gate, the list of running workers; and the task record a
// worker is handed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/ProtectedFolders.h"
#include "engine/core/RootJudge.h"
#include "engine/core/RunRoots.h"
#include "engine/core/RunView.h"
#include "win/Handles.h"

namespace purlo {

class Run;

// Handed to one worker thread, scan or sweep; the worker owns and frees it.
struct ScanTask {
  // The run the worker belongs to: its flags, gate, totals, filter and
  // Windows version. It outlives the worker.
  Run* run = nullptr;
  std::vector<std::wstring> roots;
  RunView* owner = nullptr;
  std::wstring label;
  JunkCategory item = JunkCategory::SystemTemp;
  // Looked up once per run, shared by all its workers; none when null.
  std::shared_ptr<const ProtectedFolders> protectedFolders;
  std::shared_ptr<const RunRoots> runRoots;
  // The roots opened and judged at the run's start, one for each of `roots`
  // that was not refused; without them (a task made by hand) the worker
  // opens `roots` itself, checking protected folders only.
  bool resolvedAtStart = false;
  std::vector<ResolvedRoot> resolved;
  // The cleaned user's registry, for the history keys; HKEY_CURRENT_USER when null.
  std::shared_ptr<const win::UniqueRegKey> hive;
  // Roots left whole because their program holds its lock: the category's
  // status is then "in use", its figures those of its other roots.
  std::vector<std::wstring> inUse;
};

// The sums all workers of a run add to. TotalsLock is held only for the few
// instructions of one update, never across a call that can block.
class RunningTotalsStore {
 public:
  bool Ready() const { return TotalsLock.Ready(); }
  void Add(uint64_t items, double bytes);
  Totals Read();
  // Returns what was there and leaves zero.
  Totals Take();

 private:
  win::CriticalSection TotalsLock{0x80000400};
  Totals totals_;
};

// Pause without suspending threads: a suspended thread may hold the heap
// lock. Every walker passes the gate before each file and each folder; while
// it is closed they wait there, holding nothing.
class RunGateStore {
 public:
  RunGateStore();
  void Open();
  void Close();
  bool IsOpen() const;
  // Returns at once while open; otherwise waits until it opens.
  void Pass() const;

 private:
  win::UniqueEvent open_;
  std::atomic<bool> closed_{false};
};

// 5 or 6, otherwise 0.
int MajorVersionFromGetVersion();

// The handles of the workers that are running. The list owns every handle it
// holds: removing one closes it.
class WorkerListStore {
 public:
  void Append(win::UniqueThread thread);
  std::vector<HANDLE> Snapshot();
  // The handles appended since the last claim: the run a new monitor watches.
  // They stay listed (closing waits for them) until the monitor closes them.
  std::vector<HANDLE> ClaimForMonitor();
  // Removes these handles from the list and closes them.
  void CloseAndRemove(const std::vector<HANDLE>& handles);
  size_t Size();

  // Gives back handles claimed by a monitor that could not be started, so
  // that the next monitor waits for them and closes them.
  void ReturnClaimed(const std::vector<HANDLE>& handles);

  // Monitors are not listed with the workers (a monitor waits for workers
  // only, never for another monitor), but whoever ends
  // the process must let them finish first: a thread still unwinding while
  // the runtime tears down at exit can crash the process. A monitor's handle
  // is closed when its run ends (a dialog lives long and runs many times):
  // by the monitor itself, or by WaitForMonitors when that took it first.
  using MonitorToken = unsigned;
  MonitorToken ReserveMonitor();
  // The new monitor's thread; closed at once when that monitor has already ended.
  void AttachMonitor(MonitorToken token, win::UniqueThread monitor);
  // Its thread could not be created.
  void ForgetMonitor(MonitorToken token);
  // A monitor's last act.
  void MonitorEnded(MonitorToken token);
  // Waits for every monitor whose handle is still held and closes those handles.
  void WaitForMonitors();
  // Monitor handles still open.
  size_t MonitorHandles();
  // For closing: waits at most `milliseconds` in all for the listed workers and
  // every monitor; true when all of them have ended. Waits on copies of the
  // handles, so a monitor may close its own meanwhile.
  bool WaitForThreads(DWORD milliseconds);

 private:
  struct MonitorSlot {
    MonitorToken token;
    win::UniqueThread thread;  // none until attached
    bool ended;
  };

  win::CriticalSection lock_{0x80000400};
  std::vector<win::UniqueThread> handles_;
  std::vector<HANDLE> unclaimed_;  // some of handles_, not owned twice
  std::vector<MonitorSlot> monitors_;
  MonitorToken nextToken_ = 1;
};

}  // namespace purlo

// What a front end runs its scans and sweeps with: the kind of the run under
// way, its stop and shutdown flags, the pause gate, the running totals, the
// workers' handles, the filter, the Windows version, the machine's run lock
// and the look-ups of the user it cleans for. Every worker and monitor is
// handed the Run; it outlives them all. A front end keeps one Run for the
// runs it starts one after another: the workers of a start that failed half
// way are waited for and closed by the next run's monitor.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/core/FileFilter.h"
#include "engine/core/RunLock.h"
#include "engine/core/RunState.h"
#include "engine/core/RunView.h"
#include "engine/core/SystemLookups.h"

namespace purlo {

class Run {
 public:
  Run();
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // False when the totals' lock could not be created: nothing may start.
  bool Ready() const { return RunningTotals.Ready(); }

  // The kind of the run under way (or the last one), set at its start and
  // read by its monitor at its end.
  std::atomic<RunKind> RunMode{RunKind::Scan};
  // 1 asks scan walkers to stop. An atomic byte: writing it never waits for a
  // worker.
  std::atomic<uint8_t> StopRequested{0};
  // 1 asks every walk, scan and sweep alike, to stop at its next file: the
  // program is closing or the console was interrupted. Never cleared.
  std::atomic<uint8_t> ShutdownRequested{0};
  RunGateStore RunGate;
  RunningTotalsStore RunningTotals;
  WorkerListStore WorkerList;
  // 5 or 6, otherwise 0: this system's, unless a test sets another.
  int WindowsMajorVersion;

  // Windows clean-up handlers in their purge now, in any worker: whoever
  // ends the process waits for them (a purge cut short can damage the store
  // it cleans).
  std::atomic<int> PurgesUnderWay{0};
  bool AnyHandlerPurging() const { return PurgesUnderWay.load() > 0; }

  // A scan walker stops at its next file.
  bool ScanMustStop() const { return StopRequested.load() == 1 || ShutdownRequested.load() == 1; }
  bool ShuttingDown() const { return ShutdownRequested.load() == 1; }
  // Asks every walk to stop at its next file, and opens the gate so that
  // none waits there.
  void Shutdown();

  // The run's filter, or none (nullptr). Set before a run starts and left
  // alone until it has ended.
  void SetFilter(std::shared_ptr<const FileFilter> filter) { filter_ = std::move(filter); }
  const FileFilter* Filter() const { return filter_.get(); }

  // The machine's one-run lock (RunLock.h): taken and released on the thread
  // that starts the runs.
  bool TakeLock() { return lock_.Take(); }
  void ReleaseLock() { lock_.Release(); }
  bool HoldsLock() const { return lock_.Held(); }

  // Whom the runs clean for: the look-ups their roots are built from. Until
  // set, nobody's: only the machine's roots are built.
  void CleanFor(std::unique_ptr<SystemLookups> lookups);
  SystemLookups& Lookups() { return *lookups_; }

 private:
  std::shared_ptr<const FileFilter> filter_;
  RunLock lock_;
  std::unique_ptr<SystemLookups> lookups_;
};

}  // namespace purlo

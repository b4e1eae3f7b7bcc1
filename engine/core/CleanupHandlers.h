// Windows' own clean-up handlers (IEmptyVolumeCache), driven for the system
// volume. Only names of the catalogue's allowlist are looked up; a handler's
// server is loaded only when it is a real file directly in the system folder,
// checked by identity on an opened handle before anything loads it. The class
// is never created through COM's registry look-up (HKEY_CLASSES_ROOT merges
// the user's own classes, and creating an object loads its DLL first).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/RunState.h"
#include "engine/core/Statuses.h"

namespace purlo {

// Where the handlers are registered, below HKEY_LOCAL_MACHINE (64-bit view).
extern const wchar_t kVolumeCachesKey[];

// A 32-bit process cannot load the 64-bit servers of 64-bit Windows, and must
// not load 32-bit registrations in their place.
bool CanRunHandlers();

// The names of `names` (null-terminated) that have a key under VolumeCaches.
std::vector<std::wstring> RegisteredHandlers(const wchar_t* const* names);

// What a category of handlers comes to before it runs: NeedsSixtyFourBit,
// NoHandler (none of its names registered), or Done.
CategoryStatus HandlersStatus(const wchar_t* const* names);

// What a run says to a handler at each of its callbacks, on the worker's thread.
class HandlerWatch {
 public:
  virtual ~HandlerWatch() = default;
  // Holds while the run is paused; returns when the handler may go on.
  virtual void Pass() = 0;
  // True asks the handler to stop: it gets E_ABORT.
  virtual bool StopAsked() = 0;
  // The handler is at work (its display name).
  virtual void Working(const std::wstring& displayName) = 0;
  // A purge was asked to stop and is being waited for: said once per handler.
  virtual void Stopping(const std::wstring& displayName) = 0;
  // A purge begins (true) or has ended (false).
  virtual void PurgeUnderWay(bool started) {}
};

enum class HandlerEnd {
  Done,     // measured (and purged, when asked)
  Refused,  // not loaded: its server is no real file directly in the system folder
  Failed,   // loaded, but a step failed
  Stopped,  // asked to stop through its callback, and did
};

struct HandlerRun {
  HandlerEnd end = HandlerEnd::Failed;
  std::wstring displayName;
  uint64_t spaceBefore = 0;  // what GetSpaceUsed reported first
  uint64_t spaceAfter = 0;   // after the purge
  std::wstring refusedPath;  // Refused: the server as registered, expanded
  std::wstring failure;      // Failed: the step and its error
};

// Drives the handler registered as `name` on this thread (which must have
// COM initialised: ComOnThisThread): loaded after its checks, initialised,
// asked for the space it can free; with `purge`, purged of that much and
// asked again. Deactivate follows every handler that was created.
HandlerRun RunHandler(const std::wstring& name, bool purge, HandlerWatch& watch);

// A worker's watch: the run's pause gate; a scan stops when asked or when
// the program closes, a sweep only when it closes (or the console is
// interrupted); progress and the wait for a stopping purge go to the view.
class RunHandlerWatch : public HandlerWatch {
 public:
  RunHandlerWatch(const ScanTask& task, bool sweep) : task_(task), sweep_(sweep) {}
  void Pass() override;
  bool StopAsked() override;
  void Working(const std::wstring& displayName) override;
  void Stopping(const std::wstring& displayName) override;
  void PurgeUnderWay(bool started) override;

 private:
  const ScanTask& task_;
  bool sweep_;
};

// COM for the calling thread while this lives (single-threaded apartment, as
// the handlers expect).
class ComOnThisThread {
 public:
  ComOnThisThread();
  ~ComOnThisThread();
  ComOnThisThread(const ComOnThisThread&) = delete;
  ComOnThisThread& operator=(const ComOnThisThread&) = delete;

 private:
  bool initialised_ = false;
};

}  // namespace purlo

// The console's progress line during a run: the latest path a walker told,
// shown every 100 ms on a thread of its own until the run ends.
#pragma once

#include <cstdint>
#include <string>

#include "win/Handles.h"

namespace cli {

class ProgressLine {
 public:
  ProgressLine();
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Starts showing; nothing when standard error is not a console.
  void Start();
  // From any walker's thread, once per file: cheap.
  void Show(const std::wstring& path);
  // Erases the line and waits for its thread.
  void Stop();

 private:
  static unsigned __stdcall Entry(void* self);
  void Loop();

  win::CriticalSection lock_;
  win::UniqueEvent stop_;
  win::UniqueThread thread_;
  std::wstring latest_;
  uint64_t version_ = 0;
};

}  // namespace cli

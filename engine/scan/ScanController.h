// Starting a scan: bare labels, cancel-able buttons, one worker per ticked
// category in run order, then one completion monitor. Never waits for a worker.
#pragma once

#include <string>
#include <vector>

#include "engine/scan/Catalogue.h"
#include "engine/scan/RunView.h"
#include "engine/scan/SystemLookups.h"
#include "engine/scan/Threads.h"

namespace purlo {

enum class StartResult {
  Started,         // workers (possibly none) and the monitor are running
  TempPathFailed,  // message shown; nothing started
  ThreadFailed,    // message shown; earlier workers run on, no monitor
};

extern const wchar_t kAppTitle[];

StartResult StartScan(RunView& view, const std::vector<JunkCategory>& ticked, SystemLookups& lookups,
                      ThreadStarter starter = StartThread);

// The text shown when GetTempPathW fails.
std::wstring TempPathFailureText(DWORD error);

}  // namespace purlo

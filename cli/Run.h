// One scan or sweep through the engine exactly as the dialog starts it,
// waited for to its end, with its outcome as purlo-cli's exit code.
#pragma once

#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "engine/core/FileFilter.h"
#include "engine/core/Threads.h"

namespace cli {

// Exit codes, as the README lists them.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;       // the run could not start, a worker ended without reporting, or the report failed
constexpr int kExitUsage = 2;
constexpr int kExitIncomplete = 3;    // a sweep ran to its end, but files stayed that it meant to remove, or roots were refused
constexpr int kExitInterrupted = 130;  // Ctrl+C or Ctrl+Break: stopped at the next file

struct RunOptions {
  std::vector<purlo::JunkCategory> selection;
  bool sweep = false;
  bool json = false;
  bool files = false;
  bool quiet = false;         // stderr only when the run fails (exit 1 or 2); no progress line
  std::wstring output;        // the report into this file, atomically; empty: standard output
  purlo::FilterRules filter;  // age limit and keep list (patterns as written, expanded per user)
  std::wstring user;          // --user: a name or SID
  bool allUsers = false;      // --all-users
};

// Stops every walk at its next file when the console is interrupted (the
// first Ctrl+C or Ctrl+Break; a second one ends the process as usual).
void StopOnConsoleInterrupt();
bool WasInterrupted();

// starter creates the engine's threads (the tests make one fail or die).
int RunCommand(const RunOptions& options, purlo::ThreadStarter starter = purlo::StartThread,
               std::vector<purlo::JunkCategory>* unreported = nullptr);

}  // namespace cli

// purlo-cli: the scan and sweep engines on the console, for scripts and tests.
#include <windows.h>

#include <string>
#include <vector>


#include "cli/Console.h"
#include "cli/Run.h"
#include "engine/scan/Catalogue.h"

namespace {

using purlo::JunkCategory;

const wchar_t kUsage[] =
    L"usage: purlo-cli list\n"
    L"       purlo-cli scan [--all | --recommended | IDENTIFIER...] [--files] [--json]\n"
    L"       purlo-cli sweep [--all | --recommended | IDENTIFIER...] --yes [--json]\n";

int UsageError(const std::wstring& why) {
  cli::Err(L"purlo-cli: " + why + L"\n" + kUsage);
  return cli::kExitUsage;
}

void PrintList() {
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
    cli::Out(std::to_wstring(info.position) + L"\t" + info.identifier + L"\t" + info.startupLabel + L"\t" +
             (info.recommended ? L"recommended" : L"-") + L"\n");
  }
}

struct Options : cli::RunOptions {
  bool yes = false;
};

// Returns 0, or the usage error's exit code.
int ParseSelection(int argc, wchar_t** argv, Options& options) {
  bool all = false;
  bool recommended = false;
  for (int i = 2; i < argc; ++i) {
    const std::wstring arg = argv[i];
    if (arg == L"--all") {
      all = true;
    } else if (arg == L"--recommended") {
      recommended = true;
    } else if (arg == L"--json") {
      options.json = true;
    } else if (arg == L"--files") {
      options.files = true;
    } else if (arg == L"--yes") {
      options.yes = true;
    } else if (!arg.empty() && arg[0] == L'-') {
      return UsageError(L"unknown option: " + arg);
    } else {
      JunkCategory category;
      if (!purlo::FindCategory(arg, category)) return UsageError(L"unknown category: " + arg);
      options.selection.push_back(category);
    }
  }
  if (all + recommended + !options.selection.empty() > 1) {
    return UsageError(L"choose one of --all, --recommended or identifiers");
  }
  if (options.selection.empty()) {
    for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
      if (all || info.recommended) options.selection.push_back(info.id);
    }
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return UsageError(L"no command");
  const std::wstring command = argv[1];
  if (command == L"list") {
    if (argc != 2) return UsageError(L"list takes no arguments");
    PrintList();
    return 0;
  }
  Options options;
  if (command == L"scan" || command == L"sweep") {
    const bool sweep = command == L"sweep";
    int rc = ParseSelection(argc, argv, options);
    if (rc != 0) return rc;
    if (options.yes && !sweep) return UsageError(L"--yes belongs to sweep");
    if (options.files && sweep) return UsageError(L"--files belongs to scan");
    if (sweep && !options.yes) {
      return UsageError(L"sweep deletes files, registry values and the recycle bin for real; "
                        L"add --yes to go ahead (nothing was deleted)");
    }
    options.sweep = sweep;
    cli::StopOnConsoleInterrupt();
    return cli::RunCommand(options);
  }
  if (command == L"--help" || command == L"-h" || command == L"help") {
    cli::Out(kUsage);
    return 0;
  }
  return UsageError(L"unknown command: " + command);
}

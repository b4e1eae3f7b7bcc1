// The dialog's side of scripts/benchmark-dialog.sh: a scan by clicks (all 22
// ticked) from the click to the summary, against purlo-cli scan --all of the
// same sandbox; the dialog's answer time during the scan (a message round
// trip from this process every 50 ms); Purlo's peak working set.
//   purlo_dialog_bench PURLO.EXE PURLO-CLI.EXE RUNS
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/Catalogue.h"
#include "res/resource.h"
#include "tests/support/CliRun.h"
#include "tests/support/GuiTest.h"
#include "ui/Texts.h"
#include "win/Handles.h"
#include "win/Text.h"

using namespace testing_support;

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now;
}

// purlo-cli scan --all, its output thrown away; -1 when it failed.
double CliScanSeconds(const std::wstring& cli) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  win::UniqueFile nul(::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
  const LARGE_INTEGER start = Now();
  win::UniqueKernel process = StartCli(L"scan --all", nul.Get(), nul.Get(), nullptr, cli);
  if (!process) return -1;
  ::WaitForSingleObject(process.Get(), INFINITE);
  const LARGE_INTEGER end = Now();
  DWORD code = 1;
  ::GetExitCodeProcess(process.Get(), &code);
  return code == 0 ? Seconds(start, end) : -1;
}

struct GuiRun {
  double seconds = -1;
  std::vector<double> roundTrips;
  double slowestAt = 0;  // seconds after the click
  size_t peakWorkingSet = 0;
  std::wstring summary;
};

GuiRun GuiScan(const std::wstring& purlo) {
  GuiRun run;
  AppUnderTest app;
  if (!app.Start(purlo, L"Purlo Beta")) return run;
  HWND startScan = app.Control(IDC_START_SCAN);
  Click(app.Control(IDC_SELECT_ALL));
  HWND tree = app.Control(IDC_CATEGORY_TREE);
  WaitUntil([&] {
    const std::vector<TreeItem> items = TreeItems(tree);
    return items.size() == static_cast<size_t>(purlo::kCategoryCount) &&
           std::all_of(items.begin(), items.end(), [](const TreeItem& item) { return item.checkState == 1; });
  });
  const LARGE_INTEGER start = Now();
  if (!Click(startScan)) return run;
  for (;;) {
    ::Sleep(50);
    const double sentAt = Seconds(start, Now());
    run.roundTrips.push_back(RoundTripMs(app.Main(), 5000));
    if (run.roundTrips.back() >= *std::max_element(run.roundTrips.begin(), run.roundTrips.end())) run.slowestAt = sentAt;
    if (Text(startScan) == purlo::texts::kRescan) break;
    if (Seconds(start, Now()) > 600) return run;
  }
  run.seconds = Seconds(start, Now());
  run.summary = Text(app.Control(IDC_STATUS));
  run.peakWorkingSet = app.process().PeakWorkingSet();
  app.Close();
  return run;
}

double Median(std::vector<double> values) { return testing_support::Percentile(std::move(values), 50); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: purlo_dialog_bench PURLO.EXE PURLO-CLI.EXE RUNS\n");
    return 2;
  }
  const std::wstring purlo = argv[1], cli = argv[2];
  const int runs = std::max(1, _wtoi(argv[3]));
  CliScanSeconds(cli);  // warms the cache
  std::vector<double> cliSeconds, guiSeconds, roundTrips;
  size_t peak = 0;
  std::wstring summary;
  std::vector<double> slowestAt;
  for (int i = 0; i < runs; ++i) {
    cliSeconds.push_back(CliScanSeconds(cli));
    GuiRun gui = GuiScan(purlo);
    if (gui.seconds < 0) {
      std::fprintf(stderr, "purlo_dialog_bench: the scan by clicks did not end\n");
      return 1;
    }
    guiSeconds.push_back(gui.seconds);
    roundTrips.insert(roundTrips.end(), gui.roundTrips.begin(), gui.roundTrips.end());
    peak = std::max(peak, gui.peakWorkingSet);
    summary = gui.summary;
    slowestAt.push_back(gui.slowestAt);
  }
  const bool noTimeouts = std::none_of(roundTrips.begin(), roundTrips.end(), [](double ms) { return ms < 0; });
  std::printf("cli-scan seconds %.2f\n", Median(cliSeconds));
  std::printf("gui-scan seconds %.2f\n", Median(guiSeconds));
  std::printf("gui/cli ratio %.2f\n", Median(guiSeconds) / Median(cliSeconds));
  std::printf("round-trip ms p50 %.1f p99 %.1f max %.1f samples %u%s\n", testing_support::Percentile(roundTrips, 50),
              testing_support::Percentile(roundTrips, 99), testing_support::Percentile(roundTrips, 100), static_cast<unsigned>(roundTrips.size()),
              noTimeouts ? "" : " (some timed out)");
  std::printf("slowest round trip of each run at s after the click:");
  for (double at : slowestAt) std::printf(" %.2f", at);
  std::printf("\n");
  std::printf("peak-working-set MiB %.1f\n", static_cast<double>(peak) / 1048576.0);
  std::printf("summary %s\n", win::ToUtf8(summary).c_str());
  return 0;
}

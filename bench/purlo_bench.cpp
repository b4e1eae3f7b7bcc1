// Measurements for scripts/benchmark.sh: one measurement per run, printed as
// "key value..." lines the script collects.
//
//   purlo_bench where                 the IeTemp root (the generated tree goes there)
//   purlo_bench bare-scan ROOT        list + open + size + close per file
//   purlo_bench bare-sweep ROOT       list + open for size + reset attributes +
//                                     delete, emptied sub-folders removed
//   purlo_bench guard ROOT            the sweep guard's own cost per file
//   purlo_bench long-form ROOT        per file: the scan's and the sweep's opens
//                                     by the ordinary path and by the "\\?\" form
//   purlo_bench sweep-steps ROOT      per file, the steps of the sweep's handle
//                                     walk (deletes the tree's files)
//   purlo_bench walk-scan ROOT        the scan's handle walk in this process
//                                     against the bare loop, side by side
//   purlo_bench queries ROOT          per file: an open and close with the
//                                     questions a handle is asked, each way
//   purlo_bench cli ARGS...           C:\purlo\purlo-cli.exe ARGS: time, peak working set
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <winternl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/FileHandles.h"
#include "engine/core/Paths.h"
#include "engine/scan/FileTreeScanner.h"
#include "engine/sweep/DeleteGuard.h"
#include "tests/support/CliRun.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace {

double Now() {
  LARGE_INTEGER f, t;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

bool IsDot(const wchar_t* n) { return n[0] == L'.' && (n[1] == 0 || (n[1] == L'.' && n[2] == 0)); }

// Calls onFile(path, attributes) for every file below folder; onFolderDone(path)
// after each sub-folder's content.
template <typename OnFile, typename OnFolderDone>
void Walk(const std::wstring& folder, OnFile& onFile, OnFolderDone& onFolderDone) {
  WIN32_FIND_DATAW e;
  win::UniqueFind find(::FindFirstFileW((folder + L"\\*.*").c_str(), &e));
  if (!find) return;
  do {
    if (IsDot(e.cFileName)) continue;
    std::wstring path = folder + L"\\" + e.cFileName;
    if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      Walk(path, onFile, onFolderDone);
      onFolderDone(path);
    } else {
      onFile(path, e.dwFileAttributes);
    }
  } while (::FindNextFileW(find.Get(), &e));
}

uint64_t OpenForSize(const std::wstring& path) {
  win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size = {};
  if (f) ::GetFileSizeEx(f.Get(), &size);
  return static_cast<uint64_t>(size.QuadPart);
}

// Walks the tree once with the given per-file and per-folder work, and prints
// the time with what onFile counted.
template <typename OnFile, typename OnFolderDone>
int TimedWalk(const std::wstring& root, OnFile onFile, OnFolderDone onFolderDone) {
  uint64_t files = 0, bytes = 0;
  auto count = [&](const std::wstring& path, DWORD attributes) {
    uint64_t size = 0;
    if (onFile(path, attributes, size)) {
      ++files;
      bytes += size;
    }
  };
  double start = Now();
  Walk(root, count, onFolderDone);
  std::printf("seconds %.3f files %llu bytes %llu\n", Now() - start, static_cast<unsigned long long>(files),
              static_cast<unsigned long long>(bytes));
  return 0;
}

int BareScan(const std::wstring& root) {
  return TimedWalk(
      root,
      [](const std::wstring& path, DWORD, uint64_t& size) {
        size = OpenForSize(path);
        return true;
      },
      [](const std::wstring&) {});
}

int BareSweep(const std::wstring& root) {
  return TimedWalk(
      root,
      [](const std::wstring& path, DWORD, uint64_t& size) {
        size = OpenForSize(path);
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        return ::DeleteFileW(path.c_str()) != FALSE;
      },
      [](const std::wstring& path) { ::RemoveDirectoryW(path.c_str()); });
}

// The sweep's open (no guard) against the same plus the real-path check.
int Guard(const std::wstring& root) {
  uint64_t files = 0;
  double withoutGuard = 0, withGuard = 0;
  auto onFile = [&](const std::wstring& path, DWORD) {
    for (int guarded = 0; guarded < 2; ++guarded) {
      double start = Now();
      win::UniqueFile f(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      LARGE_INTEGER size;
      ::GetFileSizeEx(f.Get(), &size);
      if (guarded) {
        std::wstring real;
        purlo::RealPathOf(f.Get(), real);
      }
      f.Reset();
      (guarded ? withGuard : withoutGuard) += Now() - start;
    }
    ++files;
  };
  auto nothing = [](const std::wstring&) {};
  Walk(root, onFile, nothing);
  std::printf("files %llu open_us %.1f open_and_guard_us %.1f guard_us %.1f\n",
              static_cast<unsigned long long>(files), 1e6 * withoutGuard / files, 1e6 * withGuard / files,
              1e6 * (withGuard - withoutGuard) / files);
  return 0;
}

// Each file opened both ways, one right after the other, so that the load of
// a shared machine weighs on both alike.
int LongForm(const std::wstring& root) {
  struct Open {
    const char* name;
    bool longForm;
    DWORD access, share, flags;
    double seconds;
  };
  const DWORD all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD guardAccess = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
  Open opens[] = {
      {"scan_ordinary_read_us", false, GENERIC_READ, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, 0},
      {"scan_long_attributes_us", true, FILE_READ_ATTRIBUTES, all, FILE_FLAG_OPEN_REPARSE_POINT, 0},
      {"sweep_ordinary_us", false, guardAccess, all, FILE_FLAG_OPEN_REPARSE_POINT, 0},
      {"sweep_long_us", true, guardAccess, all, FILE_FLAG_OPEN_REPARSE_POINT, 0},
  };
  uint64_t files = 0;
  auto onFile = [&](const std::wstring& path, DWORD) {
    const std::wstring longPath = purlo::LongForm(path);
    for (Open& o : opens) {
      double start = Now();
      win::UniqueFile f(::CreateFileW((o.longForm ? longPath : path).c_str(), o.access, o.share, nullptr, OPEN_EXISTING,
                                      o.flags, nullptr));
      LARGE_INTEGER size;
      ::GetFileSizeEx(f.Get(), &size);
      f.Reset();
      o.seconds += Now() - start;
    }
    ++files;
  };
  auto nothing = [](const std::wstring&) {};
  Walk(root, onFile, nothing);
  std::printf("files %llu", static_cast<unsigned long long>(files));
  for (const Open& o : opens) std::printf(" %s %.1f", o.name, 1e6 * o.seconds / files);
  std::printf("\n");
  return 0;
}

// The sweep's steps per file, each timed: the open relative to the folder's
// handle, its size, where it really is, the deletion (disposition and close),
// and the question whether the name went.
int SweepSteps(const std::wstring& root) {
  const char* names[] = {"open_us", "size_us", "real_us", "delete_us", "gone_us"};
  double seconds[5] = {};
  uint64_t files = 0;
  std::wstring folderPath;
  win::UniqueFile folder;
  auto onFile = [&](const std::wstring& path, DWORD) {
    const size_t cut = path.rfind(L'\\');
    if (path.compare(0, cut, folderPath) != 0 || folderPath.size() != cut) {
      folderPath = path.substr(0, cut);
      DWORD error = 0;
      folder = purlo::OpenFolderByPath(purlo::LongForm(folderPath), false, error);
    }
    const wchar_t* name = path.c_str() + cut + 1;
    const size_t length = path.size() - cut - 1;
    DWORD error = 0;
    double t = Now();
    win::UniqueFile file = purlo::OpenRelative(folder.Get(), name, length, purlo::OpenFor::Deleting, error);
    double u = Now();
    seconds[0] += u - t;
    purlo::HandleFacts facts;
    purlo::SizeOf(file.Get(), facts);
    t = Now();
    seconds[1] += t - u;
    std::wstring real;
    purlo::RealPathOf(file.Get(), real);
    u = Now();
    seconds[2] += u - t;
    purlo::MarkForDeletion(file.Get(), true);
    file.Reset();
    t = Now();
    seconds[3] += t - u;
    win::UniqueFile still = purlo::OpenRelative(folder.Get(), name, length, purlo::OpenFor::Measuring, error);
    seconds[4] += Now() - t;
    ++files;
  };
  auto nothing = [](const std::wstring&) {};
  Walk(root, onFile, nothing);
  std::printf("files %llu", static_cast<unsigned long long>(files));
  for (int i = 0; i < 5; ++i) std::printf(" %s %.1f", names[i], 1e6 * seconds[i] / files);
  std::printf("\n");
  return 0;
}

// Each file opened once per way, one way right after the other: the size
// alone, the three separate questions FactsOf asked, the one
// FileAllInformation question, and the size with the volume's serial number.
int Queries(const std::wstring& root) {
  using QueryFn = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, int);
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryInformationFile")));
  const auto volume =
      reinterpret_cast<QueryFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQueryVolumeInformationFile")));
  struct Way {
    const char* name;
    std::vector<int> classes;  // negative: the volume's information
    double seconds;
  };
  Way ways[] = {{"size_us", {5}, 0},        {"three_us", {5, 4, 6}, 0},       {"all_us", {18}, 0},
                {"size_volume_us", {5, -1}, 0}, {"relative_size_us", {5}, 0}};
  uint64_t files = 0;
  std::wstring folderPath;
  win::UniqueFile folder;
  auto onFile = [&](const std::wstring& path, DWORD) {
    if (files >= 2000) return;
    const size_t cut = path.rfind(L'\\');
    if (path.compare(0, cut, folderPath) != 0 || folderPath.size() != cut) {
      folderPath = path.substr(0, cut);
      DWORD error = 0;
      folder = purlo::OpenFolderByPath(purlo::LongForm(folderPath), false, error);
    }
    for (Way& way : ways) {
      const double start = Now();
      DWORD error = 0;
      win::UniqueFile f = way.name == std::string("relative_size_us")
                              ? purlo::OpenRelative(folder.Get(), path.c_str() + cut + 1, path.size() - cut - 1,
                                                    purlo::OpenFor::Measuring, error)
                              : win::UniqueFile(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                              nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                                              nullptr));
      for (int infoClass : way.classes) {
        alignas(8) unsigned char buffer[1024];
        IO_STATUS_BLOCK io = {};
        if (infoClass < 0) {
          volume(f.Get(), &io, buffer, sizeof buffer, 1);
        } else {
          query(f.Get(), &io, buffer, sizeof buffer, infoClass);
        }
      }
      f.Reset();
      way.seconds += Now() - start;
    }
    ++files;
  };
  auto nothing = [](const std::wstring&) {};
  Walk(root, onFile, nothing);
  std::printf("files %llu", static_cast<unsigned long long>(files));
  for (const Way& way : ways) std::printf(" %s %.1f", way.name, 1e6 * way.seconds / files);
  std::printf("\n");
  return 0;
}

// Without purlo-cli's start-up: what the walk itself costs per file.
int WalkScan(const std::wstring& root) {
  const int runs = 3;
  double bare = 0, walk = 0;
  int64_t files = 0;
  for (int run = 0; run < runs; ++run) {
    auto size = [](const std::wstring& path, DWORD) { OpenForSize(path); };
    auto nothing = [](const std::wstring&) {};
    double start = Now();
    Walk(root, size, nothing);
    const double middle = Now();
    files = purlo::FileTreeScanner().ScanFolder(root).files;
    walk += Now() - middle;
    bare += middle - start;
  }
  std::printf("files %lld bare_us %.1f walk_us %.1f\n", static_cast<long long>(files), 1e6 * bare / runs / files,
              1e6 * walk / runs / files);
  return 0;
}

int RunCli(int argc, wchar_t** argv) {
  std::wstring arguments;
  for (int i = 2; i < argc; ++i) arguments += std::wstring(i > 2 ? L" " : L"") + argv[i];
  win::UniqueFile out = testing_support::InheritableOutput(L"C:\\purlo\\bench-output.txt");
  double start = Now();
  win::UniqueKernel process = testing_support::StartCli(arguments, out.Get(), out.Get());
  if (!process) {
    std::printf("error cannot-start\n");
    return 1;
  }
  // Wine reports nothing for a process that has ended: sample while it runs.
  SIZE_T peak = 0;
  while (::WaitForSingleObject(process.Get(), 20) == WAIT_TIMEOUT) {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(process.Get(), &memory, sizeof memory)) {
      peak = std::max(peak, std::max(memory.PeakWorkingSetSize, memory.WorkingSetSize));
    }
  }
  double seconds = Now() - start;
  DWORD code = 0;
  ::GetExitCodeProcess(process.Get(), &code);
  std::printf("seconds %.3f peak_kib %llu exit %lu\n", seconds,
              static_cast<unsigned long long>(peak / 1024), code);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"where") {
    wchar_t path[MAX_PATH] = {};
    ::SHGetSpecialFolderPathW(nullptr, path, CSIDL_INTERNET_CACHE, TRUE);
    std::printf("%s\n", win::ToUtf8(path).c_str());
    return 0;
  }
  if (mode == L"cli") return RunCli(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: purlo_bench where | bare-scan ROOT | bare-sweep ROOT | guard ROOT | long-form ROOT | sweep-steps ROOT | walk-scan ROOT | queries ROOT | cli ARGS...\n");
    return 2;
  }
  if (mode == L"bare-scan") return BareScan(argv[2]);
  if (mode == L"bare-sweep") return BareSweep(argv[2]);
  if (mode == L"guard") return Guard(argv[2]);
  if (mode == L"long-form") return LongForm(argv[2]);
  if (mode == L"sweep-steps") return SweepSteps(argv[2]);
  if (mode == L"walk-scan") return WalkScan(argv[2]);
  if (mode == L"queries") return Queries(argv[2]);
  return 2;
}

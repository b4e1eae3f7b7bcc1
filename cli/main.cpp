// purlo-cli: the scan and sweep engines on the console, for scripts and tests.
#include <windows.h>

#include <string>
#include <vector>


#include "cli/Console.h"
#include "cli/Messages.h"
#include "cli/Run.h"
#include "engine/core/Catalogue.h"
#include "res/version.h"
#include "win/Handles.h"
#include "win/SystemDll.h"
#include "win/Text.h"

namespace {

using purlo::JunkCategory;
namespace messages = cli::messages;

int UsageError(const std::wstring& why) {
  cli::Err(messages::UsageErrorLine(why));
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

constexpr uint64_t kTicksPerSecond = 10000000;  // FILETIME counts 100 ns
constexpr uint64_t kLongestAge = 100ull * 366 * 24 * 3600;  // seconds: a century

// "90m", "36h", "7d": a positive whole number and its unit. 0 when invalid.
uint64_t DurationSeconds(const std::wstring& text) {
  if (text.size() < 2) return 0;
  uint64_t unit = 0;
  switch (text.back()) {
    case L'm': unit = 60; break;
    case L'h': unit = 3600; break;
    case L'd': unit = 86400; break;
    default: return 0;
  }
  uint64_t n = 0;
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return 0;
    n = n * 10 + static_cast<uint64_t>(text[i] - L'0');
    if (n > kLongestAge) return 0;
  }
  return n * unit <= kLongestAge ? n * unit : 0;
}

// The moment a file must be older than: now less the age.
uint64_t NotAfter(uint64_t seconds) {
  FILETIME now;
  ::GetSystemTimeAsFileTime(&now);
  const uint64_t ticks = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return ticks - seconds * kTicksPerSecond;
}

// Trailing separators dropped; empty when nothing is left. References such
// as %TEMP% stay: each run expands them for the user it cleans for.
std::wstring KeepPattern(const std::wstring& text) {
  std::wstring expanded = text;
  while (!expanded.empty() && (expanded.back() == L'\\' || expanded.back() == L'/')) expanded.pop_back();
  return expanded;
}

// The file's lines: UTF-8 (a byte-order mark is skipped) or UTF-16 with its mark.
bool ReadLines(const std::wstring& path, std::vector<std::wstring>& lines) {
  win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > (1 << 20)) return false;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && (!::ReadFile(file.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                         read != bytes.size())) {
    return false;
  }
  std::wstring text;
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  } else {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    text = win::FromUtf8(bytes);
  }
  size_t begin = 0;
  while (begin <= text.size()) {
    size_t end = text.find(L'\n', begin);
    if (end == std::wstring::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return true;
}

std::wstring Trimmed(const std::wstring& line) {
  const size_t first = line.find_first_not_of(L" \t\r");
  if (first == std::wstring::npos) return std::wstring();
  return line.substr(first, line.find_last_not_of(L" \t\r") - first + 1);
}

int AddKeepPattern(const std::wstring& text, Options& options) {
  const std::wstring pattern = KeepPattern(text);
  if (pattern.empty()) return UsageError(messages::EmptyKeepPattern(text));
  static const std::vector<std::wstring> machineNames = purlo::ThisMachineNames();
  std::vector<std::wstring> forms;
  if (!purlo::KeepPatternForms(pattern, machineNames, forms)) {
    return UsageError(messages::KeepPatternNamesNothing(text));
  }
  options.filter.keep.insert(options.filter.keep.end(), forms.begin(), forms.end());
  return 0;
}

// One pattern a line; blank lines and lines starting with # are skipped.
int AddKeepFile(const std::wstring& path, Options& options) {
  std::vector<std::wstring> lines;
  if (!ReadLines(path, lines)) return UsageError(messages::KeepListUnreadable(path));
  for (const std::wstring& line : lines) {
    const std::wstring pattern = Trimmed(line);
    if (pattern.empty() || pattern[0] == L'#') continue;
    const int rc = AddKeepPattern(pattern, options);
    if (rc != 0) return rc;
  }
  return 0;
}

// Options that take the next argument as their value.
int ParseValueOption(const std::wstring& name, const std::wstring& value, Options& options) {
  if (name == L"--output") {
    options.output = value;
  } else if (name == L"--older-than") {
    const uint64_t seconds = DurationSeconds(value);
    if (seconds == 0) return UsageError(messages::InvalidDuration(value));
    options.filter.notAfter = NotAfter(seconds);
  } else if (name == L"--keep") {
    return AddKeepPattern(value, options);
  } else if (name == L"--user") {
    options.user = value;
  } else {
    return AddKeepFile(value, options);
  }
  return 0;
}

bool TakesValue(const std::wstring& arg) {
  return arg == L"--output" || arg == L"--older-than" || arg == L"--keep" || arg == L"--keep-from" ||
         arg == L"--user";
}

// Whether --all or --recommended takes the category into this command: a
// sweep that cannot be undone (an earlier Windows, superseded updates, old
// drivers) only ever runs when it is named.
bool TakenByChoice(const purlo::CategoryInfo& info, bool all, bool sweep) {
  if (sweep && info.irreversible) return false;
  return all || info.recommended;
}

// Returns 0, or the usage error's exit code.
int ParseSelection(int argc, wchar_t** argv, bool sweep, Options& options) {
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
    } else if (arg == L"--quiet") {
      options.quiet = true;
    } else if (arg == L"--all-users") {
      options.allUsers = true;
    } else if (TakesValue(arg)) {
      if (i + 1 >= argc || argv[i + 1][0] == L'\0') return UsageError(messages::NeedsValue(arg));
      const int rc = ParseValueOption(arg, argv[++i], options);
      if (rc != 0) return rc;
    } else if (!arg.empty() && arg[0] == L'-') {
      return UsageError(messages::UnknownOption(arg));
    } else {
      JunkCategory category;
      if (!purlo::FindCategory(arg, category)) return UsageError(messages::UnknownCategory(arg));
      options.selection.push_back(category);
    }
  }
  if (options.allUsers && !options.user.empty()) return UsageError(messages::kUserOrAllUsers);
  if (all + recommended + !options.selection.empty() > 1) {
    return UsageError(messages::kOneSelection);
  }
  if (options.selection.empty()) {
    for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
      if (TakenByChoice(info, all, sweep)) options.selection.push_back(info.id);
    }
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  win::RestrictDllSearch();
  if (argc < 2) return UsageError(messages::kNoCommand);
  const std::wstring command = argv[1];
  if (command == L"list") {
    if (argc != 2) return UsageError(messages::kListTakesNoArguments);
    PrintList();
    return 0;
  }
  Options options;
  if (command == L"scan" || command == L"sweep") {
    const bool sweep = command == L"sweep";
    int rc = ParseSelection(argc, argv, sweep, options);
    if (rc != 0) return rc;
    if (options.yes && !sweep) return UsageError(messages::kYesBelongsToSweep);
    if (options.files && sweep) return UsageError(messages::kFilesBelongsToScan);
    if (sweep && !options.yes) return UsageError(messages::kSweepNeedsYes);
    options.sweep = sweep;
    cli::StopOnConsoleInterrupt();
    return cli::RunCommand(options);
  }
  if (command == L"--version") {
    if (argc != 2) return UsageError(messages::kVersionTakesNoArguments);
    cli::Out(L"purlo-cli " PURLO_WIDE(PURLO_VERSION_TEXT) L"\n");
    return 0;
  }
  if (command == L"--help" || command == L"-h" || command == L"help") {
    cli::Out(messages::kUsage);
    return 0;
  }
  return UsageError(messages::UnknownCommand(command));
}

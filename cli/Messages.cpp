#include "cli/Messages.h"

#include "engine/core/Texts.h"

namespace cli {

namespace messages {

namespace {

const wchar_t kPrefix[] = L"purlo-cli: ";

std::wstring Line(const std::wstring& text) { return kPrefix + text + L"\n"; }

}  // namespace

const wchar_t kUsage[] =
    L"usage: purlo-cli list\n"
    L"       purlo-cli --version\n"
    L"       purlo-cli scan [--all | --recommended | IDENTIFIER...] [--files] [--json] [OPTIONS]\n"
    L"       purlo-cli sweep [--all | --recommended | IDENTIFIER...] --yes [--json] [OPTIONS]\n"
    L"options: --output FILE  --quiet  --older-than N(m|h|d)  --keep PATTERN  --keep-from FILE\n"
    L"         --user NAME|SID | --all-users\n";

const wchar_t kNoCommand[] = L"no command";
const wchar_t kListTakesNoArguments[] = L"list takes no arguments";
const wchar_t kVersionTakesNoArguments[] = L"--version takes no arguments";
const wchar_t kYesBelongsToSweep[] = L"--yes belongs to sweep";
const wchar_t kFilesBelongsToScan[] = L"--files belongs to scan";
const wchar_t kSweepNeedsYes[] =
    L"sweep deletes files, registry values and the recycle bin for real; "
    L"add --yes to go ahead (nothing was deleted)";
const wchar_t kUserOrAllUsers[] = L"choose one of --user and --all-users";
const wchar_t kOneSelection[] = L"choose one of --all, --recommended or identifiers";

std::wstring UnknownCommand(const std::wstring& command) { return L"unknown command: " + command; }
std::wstring UnknownOption(const std::wstring& option) { return L"unknown option: " + option; }
std::wstring UnknownCategory(const std::wstring& identifier) { return L"unknown category: " + identifier; }
std::wstring NeedsValue(const std::wstring& option) { return option + L" needs a value"; }

std::wstring InvalidDuration(const std::wstring& value) {
  return L"invalid duration: " + value + L" (a whole number with m, h or d, as 90m, 36h, 7d)";
}

std::wstring EmptyKeepPattern(const std::wstring& text) { return L"empty --keep pattern: " + text; }

std::wstring KeepPatternNamesNothing(const std::wstring& text) {
  return L"--keep pattern names no file or folder (a stream, a device, nothing left of it): " + text;
}

std::wstring KeepListUnreadable(const std::wstring& path) { return L"cannot read the keep list " + path; }

std::wstring UsageErrorLine(const std::wstring& why) { return Line(why) + kUsage; }

std::wstring RootRefusedLine(const wchar_t* identifier, const wchar_t* why, const std::wstring& root) {
  return Line(std::wstring(identifier) + L": root refused (" + why + L"): " + root);
}

// Without the prefix: the dialog's failure text as it is.
std::wstring RunNotStartedLine(bool sweep) {
  return std::wstring(sweep ? purlo::texts::kSweepFailed : purlo::texts::kScanFailed) + L"\n";
}

std::wstring AnotherRunLine() {
  return Line(std::wstring(purlo::texts::kAnotherRunHoldsTheLock) +
              L" another scan or sweep is running (Purlo or purlo-cli); nothing was done, retry when it has ended");
}

std::wstring HandlerStoppingLine(const wchar_t* identifier, const std::wstring& displayName) {
  return Line(std::wstring(identifier) + L": waiting for Windows' clean-up handler \"" + displayName +
              L"\" to stop at its next step (a second Ctrl+C ends purlo-cli at once)");
}

std::wstring ReportFileUnwritableLine(const std::wstring& path, DWORD error) {
  return Line(L"cannot write the report file " + path + L" (error " + std::to_wstring(error) + L"); nothing was done");
}

std::wstring ReportIncompleteLine(DWORD error, const std::wstring& target) {
  return Line(L"the report could not be written completely (error " + std::to_wstring(error) + L")" +
              (target.empty() ? L"" : L": " + target + L" was left as it was"));
}

std::wstring NoProfileLine(const std::wstring& user) {
  return Line(L"no profile of a user " + user + L"; nothing was done");
}

std::wstring ProfileRefusedLine(const std::wstring& user) {
  return Line(L"the profile folder of " + user +
              L" is not a real folder, or is or lies above a system folder; nothing was done");
}

std::wstring DidNotReportLine(const wchar_t* identifier) {
  return Line(std::wstring(identifier) + L" did not report: its worker ended before it had a result");
}

}  // namespace messages

}  // namespace cli

// The console's own messages, each in one place: the usage, what a command
// line gets wrong, and the lines a run writes to standard error when
// something is refused or fails. English, the lines starting with
// "purlo-cli: " and ending with a line break; what the dialog says as well (a
// run that could not start, the run lock) comes from engine/core/Texts.h.
#pragma once

#include <windows.h>

#include <string>

namespace cli {

namespace messages {

extern const wchar_t kUsage[];

// What a command line gets wrong: the reason, which UsageErrorLine wraps.
extern const wchar_t kNoCommand[];
extern const wchar_t kListTakesNoArguments[];
extern const wchar_t kVersionTakesNoArguments[];
extern const wchar_t kYesBelongsToSweep[];
extern const wchar_t kFilesBelongsToScan[];
extern const wchar_t kSweepNeedsYes[];
extern const wchar_t kUserOrAllUsers[];
extern const wchar_t kOneSelection[];
std::wstring UnknownCommand(const std::wstring& command);
std::wstring UnknownOption(const std::wstring& option);
std::wstring UnknownCategory(const std::wstring& identifier);
std::wstring NeedsValue(const std::wstring& option);
std::wstring InvalidDuration(const std::wstring& value);
std::wstring EmptyKeepPattern(const std::wstring& text);
std::wstring KeepPatternNamesNothing(const std::wstring& text);
std::wstring KeepListUnreadable(const std::wstring& path);
// The reason on its line, then the usage.
std::wstring UsageErrorLine(const std::wstring& why);

// A run's lines.
std::wstring RootRefusedLine(const wchar_t* identifier, const wchar_t* why, const std::wstring& root);
std::wstring RunNotStartedLine(bool sweep);
std::wstring AnotherRunLine();
// A clean-up handler's purge was asked to stop and is waited for.
std::wstring HandlerStoppingLine(const wchar_t* identifier, const std::wstring& displayName);
std::wstring ReportFileUnwritableLine(const std::wstring& path, DWORD error);
std::wstring ReportIncompleteLine(DWORD error, const std::wstring& target);
std::wstring NoProfileLine(const std::wstring& user);
std::wstring ProfileRefusedLine(const std::wstring& user);
std::wstring DidNotReportLine(const wchar_t* identifier);

}  // namespace messages

}  // namespace cli

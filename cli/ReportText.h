// The console's report, as text and as JSON: the lines the text report
// prints as a run goes, and the document --json prints at its end.
#pragma once

#include <string>

#include "cli/RunRecord.h"

namespace cli {

// Text: a finished category's label, and its status when not "done".
std::wstring FinishedLines(const purlo::CategoryResult& result);
// Text: a category that got no worker.
std::wstring StatusLine(purlo::JunkCategory category, purlo::CategoryStatus status);
// A root left out, as purlo-cli tells it on stderr (or, quiet, in the report).
std::wstring RefusalLine(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why);
// Text with --files: one counted file, tab-separated.
std::wstring CountedFileLine(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes);

// JSON: the categories' array; with files, each scanned category's files.
std::wstring JsonCategories(const RecordedRun& run, bool sweep, bool files);
// JSON: the document of one run.
std::wstring JsonDocument(const RecordedRun& run, bool sweep, bool files);

}  // namespace cli

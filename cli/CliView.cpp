#include "cli/CliView.h"

#include "cli/Console.h"
#include "cli/Messages.h"
#include "cli/ReportText.h"

namespace cli {

CliView::CliView(bool json, bool files, bool quiet) : json_(json), files_(files), quiet_(quiet) {}

int CliView::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) {
  win::Lock hold(lock_);
  Err(!text.empty() && text.back() == L'\n' ? text : text + L"\n");
  return IDOK;
}

// Streamed as counted: one line each, or kept for the document.
void CliView::FileCounted(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes) {
  if (!files_) return;
  if (json_) {
    record_.Counted(category, path, bytes);
    return;
  }
  OutBuffered(CountedFileLine(category, path, bytes));
}

// Quiet, the line goes into the report (the document carries it anyway).
void CliView::RootRefused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) {
  win::Lock hold(lock_);
  record_.Refused(category, root, why);
  const std::wstring line = RefusalLine(category, root, why);
  if (!quiet_) {
    Err(line);
  } else if (!json_) {
    Out(line);
  }
}

// The wait may be long, and a second Ctrl+C cuts it short.
void CliView::HandlerStopping(purlo::JunkCategory category, const std::wstring& displayName) {
  if (quiet_) return;
  win::Lock hold(lock_);
  Err(messages::HandlerStoppingLine(purlo::Info(category).identifier, displayName));
}

void CliView::CategoryFinished(const purlo::CategoryResult& result) {
  win::Lock hold(lock_);
  record_.Finished(result);
  if (!json_) Out(FinishedLines(result));
}

void CliView::CategoryNotRun(purlo::JunkCategory category, purlo::CategoryStatus status) {
  win::Lock hold(lock_);
  record_.NotRun(category, status);
  if (!json_) Out(StatusLine(category, status));
}

void CliView::StartProgress() {
  if (!quiet_) progress_.Start();
}

void CliView::WaitForRunEnd() {
  record_.WaitForEnd();
  progress_.Stop();
  FlushOut();
}

void CliView::PrintEnd(bool sweep) {
  if (!json_) {
    Out(Summary() + L"\n");
    return;
  }
  Out(JsonDocument(record_.Contents(), sweep, files_));
}

}  // namespace cli

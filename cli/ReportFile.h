// --output: the report written into a temporary file beside the target,
// flushed, then renamed over the target, so that a reader never sees half a
// report and a run that fails leaves the previous one as it was.
#pragma once

#include <windows.h>

#include <string>

#include "win/Handles.h"

namespace cli {

class ReportFile {
 public:
  ReportFile() = default;
  ~ReportFile();  // a temporary file never committed is removed
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // ERROR_SUCCESS, or why the temporary file could not be made. Its name,
  // "TARGET.<process id>.<n>.tmp", is one that no file holds yet.
  DWORD Open(const std::wstring& target);
  HANDLE Handle() const { return file_.Get(); }
  // Flushes, closes and renames it over the target: ERROR_SUCCESS, or the error.
  DWORD Commit();

 private:
  std::wstring target_;
  std::wstring temporary_;
  win::UniqueFile file_;
  bool committed_ = false;
};

}  // namespace cli

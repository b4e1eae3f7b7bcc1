#include "cli/ReportFile.h"

namespace cli {

namespace {

// Names tried before giving up: only a folder full of stale names runs out.
constexpr unsigned kNamesToTry = 1000;

}  // namespace

DWORD ReportFile::Open(const std::wstring& target) {
  target_ = target;
  // Beside the target, so that the rename stays on its volume. A run killed
  // before its rename leaves its temporary file; a later run of the same
  // process id takes the next free number and leaves that file alone.
  const std::wstring stem = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L".";
  DWORD error = ERROR_FILE_EXISTS;
  for (unsigned n = 0; n < kNamesToTry && (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS); ++n) {
    temporary_ = stem + std::to_wstring(n) + L".tmp";
    file_.Reset(
        ::CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_) return ERROR_SUCCESS;
    error = ::GetLastError();
  }
  temporary_.clear();
  return error;
}

DWORD ReportFile::Commit() {
  if (!::FlushFileBuffers(file_.Get())) return ::GetLastError();
  file_.Reset();
  // Write-through: the rename is on the disk when the call returns.
  if (!::MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return ::GetLastError();
  }
  committed_ = true;
  return ERROR_SUCCESS;
}

ReportFile::~ReportFile() {
  file_.Reset();
  if (!committed_ && !temporary_.empty()) ::DeleteFileW(temporary_.c_str());
}

}  // namespace cli

#include "cli/ReportFile.h"

namespace cli {

DWORD ReportFile::Open(const std::wstring& target) {
  target_ = target;
  // Beside the target, so that the rename stays on its volume; named after
  // this process, so that two runs never share one.
  temporary_ = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
  file_.Reset(::CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file_) {
    const DWORD error = ::GetLastError();
    temporary_.clear();
    return error;
  }
  return ERROR_SUCCESS;
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

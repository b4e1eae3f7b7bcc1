#include "engine/core/InUse.h"

#include <windows.h>

#include "engine/core/Paths.h"
#include "win/Handles.h"

namespace purlo {

bool IsLockHeld(const std::wstring& path) {
  win::UniqueFile probe(::CreateFileW(LongForm(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
  if (probe) return false;
  const DWORD error = ::GetLastError();
  // Anything but absence errs towards leaving the program's files alone.
  return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND && error != ERROR_INVALID_NAME;
}

}  // namespace purlo

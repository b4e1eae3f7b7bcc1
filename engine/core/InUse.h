// Whether a program holds its lock: a browser's profile lock, an app's cache
// index. Such a program's roots are skipped whole, never half-deleted.
#pragma once

#include <string>

namespace purlo {

// True when the file at `path` exists but cannot be opened with delete
// access: another process holds it without sharing deletion. A missing file
// (or folder on the way) is no lock. Only tells; nothing is opened for use.
bool IsLockHeld(const std::wstring& path);

}  // namespace purlo

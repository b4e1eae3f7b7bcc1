#include "engine/sweep/DeleteGuard.h"

#include "engine/scan/Paths.h"
#include "win/Handles.h"
#include "win/Text.h"

namespace purlo {

namespace {

// Looked up at run time: Windows XP does not have it.
using SetFileInfoFn = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

struct Kernel32Calls {
  SetFileInfoFn setFileInfo = nullptr;
  Kernel32Calls() {
    HMODULE k = ::GetModuleHandleW(L"kernel32.dll");
    setFileInfo = reinterpret_cast<SetFileInfoFn>(
        reinterpret_cast<void*>(::GetProcAddress(k, "SetFileInformationByHandle")));
  }
};

const Kernel32Calls& Calls() {
  static const Kernel32Calls calls;
  return calls;
}

// FILE_INFO_BY_HANDLE_CLASS values and records, spelled out: the headers hide
// them when building for Windows XP.
constexpr int kFileBasicInfo = 0;
constexpr int kFileDispositionInfo = 4;
struct BasicInfo {
  LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // 0: unchanged
  DWORD fileAttributes;
};
struct DispositionInfo {
  BOOLEAN deleteFile;
};

constexpr DWORD kClearedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Each name without its trailing dots and spaces.
std::wstring WithoutTrailingDots(const std::wstring& path) {
  std::wstring out;
  out.reserve(path.size());
  for (wchar_t c : path) {
    if (c == L'\\') {
      while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
    }
    out += c;
  }
  while (!out.empty() && (out.back() == L'.' || out.back() == L' ')) out.pop_back();
  return out;
}

// Wine reports a real location without the trailing dots and spaces of its
// names ("junk." as "junk"); a name that differs only there is the same file.
bool SamePath(const std::wstring& real, const std::wstring& expected) {
  if (real.size() == expected.size() && win::ToUpper(real) == win::ToUpper(expected)) return true;
  return win::ToUpper(WithoutTrailingDots(real)) == win::ToUpper(WithoutTrailingDots(expected));
}

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Deletes through the handle when the system can; otherwise by name after
// closing it. False when the file is still there.
bool DeleteOpenFile(win::UniqueFile& file, const std::wstring& path, bool clearAttributes, DWORD attributes) {
  const bool clear = clearAttributes && (attributes & kClearedAttributes) != 0;
  if (Calls().setFileInfo != nullptr) {
    if (clear) {
      BasicInfo basic = {};
      basic.fileAttributes = FILE_ATTRIBUTE_NORMAL;
      Calls().setFileInfo(file.Get(), kFileBasicInfo, &basic, sizeof basic);
    }
    DispositionInfo disposition = {TRUE};
    return Calls().setFileInfo(file.Get(), kFileDispositionInfo, &disposition, sizeof disposition) != FALSE;
  }
  file.Reset();
  if (clear) ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  return ::DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace

FileDeletion DeleteCheckedFile(const std::wstring& path, DWORD listedAttributes, const std::wstring& expectedRealPath,
                               bool clearAttributes) {
  FileDeletion result;
  if ((listedAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
    result.outcome = DeleteOutcome::Elsewhere;
    return result;
  }
  win::UniqueFile file(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file) {
    result.outcome = IsMissing(::GetLastError()) ? DeleteOutcome::Missing : DeleteOutcome::Failed;
    return result;
  }
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.Get(), &size)) {
    result.outcome = DeleteOutcome::Failed;
    return result;
  }
  if (!expectedRealPath.empty()) {
    std::wstring real;
    if (!RealPathOf(file.Get(), real)) {
      result.outcome = DeleteOutcome::Failed;
      return result;
    }
    if (!SamePath(real, expectedRealPath)) {
      result.outcome = DeleteOutcome::Elsewhere;
      return result;
    }
  }
  if (!DeleteOpenFile(file, path, clearAttributes, listedAttributes)) {
    result.outcome = DeleteOutcome::Failed;
    return result;
  }
  result.outcome = DeleteOutcome::Deleted;
  result.bytes = static_cast<uint64_t>(size.QuadPart);
  return result;
}

FileDeletion DeleteSingleFile(const std::wstring& path, bool clearAttributes) {
  ListedFile listed;
  if (!ListSingleFile(path, listed)) return {};
  // A link lists under its own name, so its real location then differs.
  const std::wstring expected =
      listed.realFolder.empty() ? std::wstring() : listed.realFolder + L"\\" + listed.entry.cFileName;
  return DeleteCheckedFile(listed.path, listed.entry.dwFileAttributes, expected, clearAttributes);
}

}  // namespace purlo

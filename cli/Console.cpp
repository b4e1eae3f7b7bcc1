#include "cli/Console.h"

#include "win/Handles.h"
#include "win/Text.h"

namespace cli {

namespace {

// One lock for everything written: lines from worker threads, the progress
// line from its timer, and the buffer.
win::CriticalSection& OutputLock() {
  static win::CriticalSection lock;
  return lock;
}

std::string buffered;
constexpr size_t kBufferLimit = 64 * 1024;
bool progressShown = false;
// The first error that kept the report (standard output) from being written
// completely; writes to it stop there.
DWORD outError = ERROR_SUCCESS;
size_t progressWidth = 0;

// With --output the report goes into this file instead of standard output.
HANDLE reportFile = nullptr;

HANDLE Std(DWORD stdHandle) {
  if (stdHandle == STD_OUTPUT_HANDLE && reportFile != nullptr) return reportFile;
  HANDLE h = ::GetStdHandle(stdHandle);
  return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

// Asked once per handle: under Wine each GetConsoleMode is a trip to the
// server, too dear for one line per file. Under the output lock.
bool ConsoleHandle(HANDLE h) {
  static HANDLE known[2] = {nullptr, nullptr};
  static bool console[2] = {false, false};
  for (int i = 0; i < 2; ++i) {
    if (h != nullptr && known[i] == h) return console[i];
  }
  DWORD mode = 0;
  const bool is = h != nullptr && ::GetConsoleMode(h, &mode);
  static int next = 0;
  known[next] = h;
  console[next] = is;
  next = 1 - next;
  return is;
}

DWORD WriteConsoleText(HANDLE h, const std::wstring& text) {
  DWORD written = 0;
  if (!::WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return ::GetLastError();
  return written == text.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

// A pipe or file may take less than asked: the rest follows until all is written or it fails.
DWORD WriteBytes(HANDLE h, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    if (!::WriteFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written, nullptr)) {
      return ::GetLastError();
    }
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return ERROR_SUCCESS;
}

// Under the lock. Errors on standard error have nowhere to be told.
void Record(DWORD stdHandle, DWORD error) {
  if (stdHandle == STD_OUTPUT_HANDLE && error != ERROR_SUCCESS && outError == ERROR_SUCCESS) outError = error;
}

bool OutBroken(DWORD stdHandle) { return stdHandle == STD_OUTPUT_HANDLE && outError != ERROR_SUCCESS; }

// Under the lock.
void EraseProgress() {
  if (!progressShown) return;
  HANDLE err = Std(STD_ERROR_HANDLE);
  if (err != nullptr) WriteConsoleText(err, L"\r" + std::wstring(progressWidth, L' ') + L"\r");
  progressShown = false;
}

void FlushLocked() {
  if (buffered.empty()) return;
  HANDLE out = Std(STD_OUTPUT_HANDLE);
  if (out == nullptr) {
    Record(STD_OUTPUT_HANDLE, ERROR_INVALID_HANDLE);
  } else if (!OutBroken(STD_OUTPUT_HANDLE)) {
    Record(STD_OUTPUT_HANDLE, WriteBytes(out, buffered));
  }
  buffered.clear();
}

void WriteLocked(DWORD stdHandle, const std::wstring& text) {
  if (text.empty() || OutBroken(stdHandle)) return;
  HANDLE out = Std(stdHandle);
  if (out == nullptr) {
    Record(stdHandle, ERROR_INVALID_HANDLE);
    return;
  }
  if (ConsoleHandle(out)) {
    EraseProgress();
    Record(stdHandle, WriteConsoleText(out, text));
    return;
  }
  Record(stdHandle, WriteBytes(out, win::ToUtf8(text)));
}

size_t ConsoleColumns(HANDLE h) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!::GetConsoleScreenBufferInfo(h, &info)) return 80;
  const int columns = info.srWindow.Right - info.srWindow.Left + 1;
  return columns > 10 ? static_cast<size_t>(columns) : 80;
}

}  // namespace

void Write(DWORD stdHandle, const std::wstring& text) {
  win::Lock hold(OutputLock());
  FlushLocked();
  WriteLocked(stdHandle, text);
}

void OutBuffered(const std::wstring& text) {
  win::Lock hold(OutputLock());
  HANDLE out = Std(STD_OUTPUT_HANDLE);
  if (out == nullptr || OutBroken(STD_OUTPUT_HANDLE)) {
    Record(STD_OUTPUT_HANDLE, ERROR_INVALID_HANDLE);
    return;
  }
  if (ConsoleHandle(out)) {
    WriteLocked(STD_OUTPUT_HANDLE, text);
    return;
  }
  buffered += win::ToUtf8(text);
  if (buffered.size() >= kBufferLimit) FlushLocked();
}

void FlushOut() {
  win::Lock hold(OutputLock());
  FlushLocked();
}

void SendReportTo(HANDLE file) {
  win::Lock hold(OutputLock());
  FlushLocked();
  reportFile = file;
}

DWORD OutputError() {
  win::Lock hold(OutputLock());
  FlushLocked();
  return outError;
}

bool IsConsole(DWORD stdHandle) {
  win::Lock hold(OutputLock());
  return ConsoleHandle(Std(stdHandle));
}

void ShowProgress(const std::wstring& text) {
  win::Lock hold(OutputLock());
  HANDLE err = Std(STD_ERROR_HANDLE);
  if (!ConsoleHandle(err)) return;
  // One line that never wraps: the end of a long path is the part that says most.
  const size_t width = ConsoleColumns(err) - 1;
  std::wstring line = text;
  if (line.size() > width) line = L"..." + line.substr(line.size() - (width - 3));
  const size_t shown = line.size();
  if (shown < progressWidth) line.append(progressWidth - shown, L' ');
  WriteConsoleText(err, L"\r" + line);
  progressShown = true;
  progressWidth = shown > progressWidth ? shown : progressWidth;
}

void ClearProgress() {
  win::Lock hold(OutputLock());
  EraseProgress();
  progressWidth = 0;
}

}  // namespace cli

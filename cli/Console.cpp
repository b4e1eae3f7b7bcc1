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
size_t progressWidth = 0;

HANDLE Std(DWORD stdHandle) {
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

void WriteConsoleText(HANDLE h, const std::wstring& text) {
  DWORD written = 0;
  ::WriteConsoleW(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void WriteBytes(HANDLE h, const std::string& bytes) {
  DWORD written = 0;
  if (!bytes.empty()) ::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

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
  if (out != nullptr) WriteBytes(out, buffered);
  buffered.clear();
}

void WriteLocked(DWORD stdHandle, const std::wstring& text) {
  HANDLE out = Std(stdHandle);
  if (out == nullptr || text.empty()) return;
  if (ConsoleHandle(out)) {
    EraseProgress();
    WriteConsoleText(out, text);
    return;
  }
  WriteBytes(out, win::ToUtf8(text));
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
  if (out == nullptr) return;
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

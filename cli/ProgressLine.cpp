#include "cli/ProgressLine.h"

#include "cli/Console.h"
#include "win/Thread.h"

namespace cli {

ProgressLine::ProgressLine() : stop_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ProgressLine::~ProgressLine() { Stop(); }

void ProgressLine::Start() {
  if (!IsConsole(STD_ERROR_HANDLE)) return;
  thread_ = win::BeginThread(Entry, this);
}

void ProgressLine::Show(const std::wstring& path) {
  win::Lock hold(lock_);
  latest_ = path;
  ++version_;
}

void ProgressLine::Stop() {
  ::SetEvent(stop_.Get());
  if (thread_) ::WaitForSingleObject(thread_.Get(), INFINITE);
  thread_.Reset();
}

unsigned __stdcall ProgressLine::Entry(void* self) {
  static_cast<ProgressLine*>(self)->Loop();
  return 0;
}

void ProgressLine::Loop() {
  uint64_t shown = 0;
  while (::WaitForSingleObject(stop_.Get(), 100) == WAIT_TIMEOUT) {
    std::wstring path;
    {
      win::Lock hold(lock_);
      if (version_ == shown) continue;
      shown = version_;
      path = latest_;
    }
    ShowProgress(path);
  }
  ClearProgress();
}

}  // namespace cli

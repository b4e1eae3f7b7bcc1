#include "cli/CliView.h"

#include <process.h>

#include "cli/Console.h"
#include "cli/Json.h"
#include "win/Text.h"

namespace cli {

CliView::CliView(bool json, bool files)
    : json_(json), files_(files), finished_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CliView::~CliView() {
  ::SetEvent(finished_.Get());
  if (progress_) ::WaitForSingleObject(progress_.Get(), INFINITE);
}

void CliView::SetStatusText(const std::wstring& text) {
  win::Lock hold(lock_);
  status_ = text;
}

int CliView::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT type) {
  win::Lock hold(lock_);
  if (caption == L"清除完毕") {
    sweepSummary_ = text;  // the sweep's closing message: printed at the end
  } else {
    Err(!text.empty() && text.back() == L'\n' ? text : text + L"\n");
  }
  return IDOK;
}

void CliView::ShowScanningPath(const std::wstring& path) {
  win::Lock hold(lock_);
  lastPath_ = path;
  ++pathVersion_;
}

void CliView::ShowSweepingPath(const std::wstring& path) { ShowScanningPath(path); }

// Streamed as counted: one line each, or kept for the document.
void CliView::FileCounted(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes) {
  if (!files_) return;
  if (json_) {
    win::Lock hold(lock_);
    counted_[category].push_back(CountedFile{path, bytes});
    return;
  }
  OutBuffered(std::wstring(purlo::Info(category).identifier) + L"\t" + win::Decimal(bytes) + L"\t" + path + L"\n");
}

void CliView::RootRefused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) {
  const wchar_t* reason = why == purlo::RootRefusal::SystemFolder ? L"a system folder or a folder above one"
                                                                  : L"not a folder below a drive or share root";
  win::Lock hold(lock_);
  Err(L"purlo-cli: " + std::wstring(purlo::Info(category).identifier) + L": root refused (" + reason + L"): " + root +
      L"\n");
}

void CliView::CategoryFinished(const purlo::CategoryResult& result) {
  win::Lock hold(lock_);
  results_[result.category] = result;
  if (!json_) Out(result.label + L"\n");
}

void CliView::RunFinished(bool endedAsScan) {
  {
    win::Lock hold(lock_);
    endedAsScan_ = endedAsScan;
  }
  ::SetEvent(finished_.Get());
}

void CliView::StartProgress() {
  if (!IsConsole(STD_ERROR_HANDLE)) return;
  progress_.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ProgressEntry, this, 0, nullptr)));
}

unsigned __stdcall CliView::ProgressEntry(void* self) {
  static_cast<CliView*>(self)->ProgressLoop();
  return 0;
}

void CliView::ProgressLoop() {
  uint64_t shown = 0;
  while (::WaitForSingleObject(finished_.Get(), 100) == WAIT_TIMEOUT) {
    std::wstring path;
    {
      win::Lock hold(lock_);
      if (pathVersion_ == shown) continue;
      shown = pathVersion_;
      path = lastPath_;
    }
    ShowProgress(path);
  }
  ClearProgress();
}

void CliView::WaitForRunEnd() {
  ::WaitForSingleObject(finished_.Get(), INFINITE);
  if (progress_) ::WaitForSingleObject(progress_.Get(), INFINITE);
  progress_.Reset();
  FlushOut();
}

std::vector<purlo::JunkCategory> CliView::Unreported(const std::vector<purlo::JunkCategory>& started) {
  win::Lock hold(lock_);
  std::vector<purlo::JunkCategory> missing;
  for (purlo::JunkCategory category : started) {
    if (results_.count(category) == 0) missing.push_back(category);
  }
  return missing;
}

namespace {

std::wstring JsonList(const std::vector<std::wstring>& paths) {
  std::wstring list = L"[";
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) list += L",";
    list += JsonString(paths[i]);
  }
  return list + L"]";
}

}  // namespace

void CliView::PrintEnd(bool sweep) {
  win::Lock hold(lock_);
  const std::wstring& summary = sweep ? sweepSummary_ : status_;
  if (!json_) {
    Out(summary + L"\n");
    return;
  }
  std::wstring doc = L"{\"run\":";
  doc += sweep ? L"\"sweep\"" : L"\"scan\"";
  doc += L",\"categories\":[";
  bool first = true;
  for (const auto& entry : results_) {
    const purlo::CategoryResult& r = entry.second;
    if (!first) doc += L",";
    first = false;
    doc += L"{\"id\":" + JsonString(purlo::Info(r.category).identifier) + L",\"label\":" + JsonString(r.label) +
           L",\"items\":" + win::Decimal(r.items) + L",\"bytes\":" + win::Decimal(r.bytes);
    if (sweep) {
      doc += L",\"failed\":" + JsonList(r.failedPaths);
      doc += L",\"skipped\":" + JsonList(r.skippedPaths);
    }
    if (files_ && !sweep) {
      doc += L",\"files\":[";
      const std::vector<CountedFile>& files = counted_[r.category];
      for (size_t i = 0; i < files.size(); ++i) {
        if (i > 0) doc += L",";
        doc += L"{\"path\":" + JsonString(files[i].path) + L",\"bytes\":" + win::Decimal(files[i].bytes) + L"}";
      }
      doc += L"]";
    }
    doc += L"}";
  }
  doc += L"],\"summary\":" + JsonString(summary) + L"}\n";
  Out(doc);
}

}  // namespace cli

#include "cli/CliView.h"

#include "cli/Console.h"
#include "cli/Json.h"
#include "engine/core/ByteCount.h"
#include "win/Text.h"
#include "win/Thread.h"

namespace cli {

CliView::CliView(bool json, bool files, bool quiet)
    : json_(json), files_(files), quiet_(quiet), finished_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

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
  Err(!text.empty() && text.back() == L'\n' ? text : text + L"\n");
  return IDOK;
}

void CliView::SweepEnded(const std::wstring& summary) {
  win::Lock hold(lock_);
  sweepSummary_ = summary;
}

void CliView::ShowScanningPath(const std::wstring& path) {
  win::Lock hold(lock_);
  lastPath_ = path;
  ++pathVersion_;
}

void CliView::ShowSweepingPath(const std::wstring& path) { ShowScanningPath(path); }

namespace {

bool IsControl(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

// A path as one field of a tab-separated line: what would end the field or
// the line, or make two names print alike, is escaped.
std::wstring LineField(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 8);
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'\t': out += L"\\t"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      default:
        if (IsControl(c)) {
          static const wchar_t kHex[] = L"0123456789abcdef";
          out += L"\\x";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace

// Streamed as counted: one line each, or kept for the document.
void CliView::FileCounted(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes) {
  if (!files_) return;
  if (json_) {
    win::Lock hold(lock_);
    counted_[category].push_back(CountedFile{path, bytes});
    return;
  }
  OutBuffered(std::wstring(purlo::Info(category).identifier) + L"\t" + win::Decimal(bytes) + L"\t" + LineField(path) + L"\n");
}

// Quiet, the line goes into the report (the document carries it anyway).
void CliView::RootRefused(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) {
  win::Lock hold(lock_);
  refused_[category].push_back(Refusal{root, why});
  const std::wstring line = L"purlo-cli: " + std::wstring(purlo::Info(category).identifier) + L": root refused (" +
                            purlo::RefusalText(why) + L"): " + root + L"\n";
  if (!quiet_) {
    Err(line);
  } else if (!json_) {
    Out(line);
  }
}

// The wait may be long, and a second Ctrl+C cuts it short.
void CliView::HandlerStopping(purlo::JunkCategory category, const std::wstring& displayName) {
  if (quiet_) return;
  win::Lock hold(lock_);
  Err(L"purlo-cli: " + std::wstring(purlo::Info(category).identifier) + L": waiting for Windows' clean-up handler \"" +
      displayName + L"\" to stop at its next step (a second Ctrl+C ends purlo-cli at once)\n");
}

bool CliView::AnythingLeft() {
  win::Lock hold(lock_);
  for (const auto& entry : refused_) {
    if (!entry.second.empty()) return true;
  }
  for (const auto& entry : results_) {
    if (!entry.second.failedPaths.empty()) return true;
  }
  return false;
}

namespace {

// The text report's line for a category whose status is not "done".
std::wstring StatusLine(purlo::JunkCategory category, purlo::CategoryStatus status) {
  return std::wstring(purlo::Info(category).identifier) + L": " + purlo::StatusText(status) + L"\n";
}

}  // namespace

void CliView::CategoryFinished(const purlo::CategoryResult& result) {
  win::Lock hold(lock_);
  results_[result.category] = result;
  if (json_) return;
  Out(result.label + L"\n");
  if (result.status != purlo::CategoryStatus::Done) Out(StatusLine(result.category, result.status));
}

// Listed as the dialog leaves it: its bare label, nothing counted.
void CliView::CategoryNotRun(purlo::JunkCategory category, purlo::CategoryStatus status) {
  win::Lock hold(lock_);
  purlo::CategoryResult result;
  result.category = category;
  result.status = status;
  result.label = purlo::Info(category).bareLabel;
  results_[category] = result;
  if (!json_) Out(StatusLine(category, status));
}

void CliView::RunFinished(bool endedAsScan) {
  {
    win::Lock hold(lock_);
    endedAsScan_ = endedAsScan;
  }
  ::SetEvent(finished_.Get());
}

void CliView::StartProgress() {
  if (quiet_ || !IsConsole(STD_ERROR_HANDLE)) return;
  progress_ = win::BeginThread(ProgressEntry, this);
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

std::wstring CliView::JsonRefusals(const std::vector<Refusal>& refusals) {
  std::wstring list = L"[";
  for (size_t i = 0; i < refusals.size(); ++i) {
    if (i > 0) list += L",";
    list += L"{\"path\":" + JsonString(refusals[i].path) + L",\"why\":" + JsonString(purlo::RefusalText(refusals[i].why)) + L"}";
  }
  return list + L"]";
}

void CliView::PrintEnd(bool sweep) {
  if (!json_) {
    Out(Summary(sweep) + L"\n");
    return;
  }
  std::wstring doc = L"{\"run\":";
  doc += sweep ? L"\"sweep\"" : L"\"scan\"";
  doc += L",\"categories\":" + JsonCategories(sweep);
  doc += L",\"summary\":" + JsonString(Summary(sweep)) + L"}\n";
  Out(doc);
}

std::wstring CliView::Summary(bool sweep) {
  win::Lock hold(lock_);
  return sweep ? sweepSummary_ : status_;
}

void CliView::AddTotals(uint64_t& items, uint64_t& bytes) {
  win::Lock hold(lock_);
  for (const auto& entry : results_) {
    items += entry.second.items;
    purlo::AddBytes(bytes, entry.second.bytes);
  }
}

std::wstring CliView::JsonCategories(bool sweep) {
  win::Lock hold(lock_);
  std::wstring doc = L"[";
  bool first = true;
  for (const auto& entry : results_) {
    const purlo::CategoryResult& r = entry.second;
    if (!first) doc += L",";
    first = false;
    doc += L"{\"id\":" + JsonString(purlo::Info(r.category).identifier) +
           L",\"status\":" + JsonString(purlo::StatusText(r.status)) + L",\"label\":" + JsonString(r.label) +
           L",\"items\":" + win::Decimal(r.items) + L",\"bytes\":" + win::Decimal(r.bytes) +
           L",\"kept\":" + win::Decimal(r.keptFiles) + L",\"keptBytes\":" + win::Decimal(r.keptBytes) +
           L",\"refused\":" + JsonRefusals(refused_[r.category]);
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
  return doc + L"]";
}

}  // namespace cli

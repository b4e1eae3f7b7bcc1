#include "cli/CliView.h"

#include "cli/Console.h"
#include "cli/Json.h"
#include "win/Text.h"

namespace cli {

CliView::CliView(bool json) : json_(json), finished_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

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

void CliView::WaitForRunEnd() { ::WaitForSingleObject(finished_.Get(), INFINITE); }

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
      doc += L",\"failed\":[";
      for (size_t i = 0; i < r.failedPaths.size(); ++i) {
        if (i > 0) doc += L",";
        doc += JsonString(r.failedPaths[i]);
      }
      doc += L"]";
    }
    doc += L"}";
  }
  doc += L"],\"summary\":" + JsonString(summary) + L"}\n";
  Out(doc);
}

}  // namespace cli

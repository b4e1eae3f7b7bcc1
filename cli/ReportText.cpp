#include "cli/ReportText.h"

#include "cli/Json.h"
#include "cli/Messages.h"
#include "engine/core/Texts.h"
#include "win/Text.h"

namespace cli {

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

std::wstring JsonList(const std::vector<std::wstring>& paths) {
  std::wstring list = L"[";
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) list += L",";
    list += JsonString(paths[i]);
  }
  return list + L"]";
}

std::wstring JsonRefusals(const std::vector<Refusal>& refusals) {
  std::wstring list = L"[";
  for (size_t i = 0; i < refusals.size(); ++i) {
    if (i > 0) list += L",";
    list += L"{\"path\":" + JsonString(refusals[i].path) + L",\"why\":" +
            JsonString(purlo::RefusalText(refusals[i].why)) + L"}";
  }
  return list + L"]";
}

std::wstring JsonFiles(const std::vector<CountedFile>& files) {
  std::wstring list = L"[";
  for (size_t i = 0; i < files.size(); ++i) {
    if (i > 0) list += L",";
    list += L"{\"path\":" + JsonString(files[i].path) + L",\"bytes\":" + win::Decimal(files[i].bytes) + L"}";
  }
  return list + L"]";
}

template <typename Value>
const std::vector<Value>& EntryOf(const std::map<purlo::JunkCategory, std::vector<Value>>& map,
                                  purlo::JunkCategory category) {
  static const std::vector<Value> kNone;
  const auto found = map.find(category);
  return found == map.end() ? kNone : found->second;
}

}  // namespace

std::wstring StatusLine(purlo::JunkCategory category, purlo::CategoryStatus status) {
  return std::wstring(purlo::Info(category).identifier) + L": " + purlo::StatusText(status) + L"\n";
}

std::wstring FinishedLines(const purlo::CategoryResult& result) {
  std::wstring lines = result.label + L"\n";
  if (result.status != purlo::CategoryStatus::Done) lines += StatusLine(result.category, result.status);
  return lines;
}

std::wstring RefusalLine(purlo::JunkCategory category, const std::wstring& root, purlo::RootRefusal why) {
  return messages::RootRefusedLine(purlo::Info(category).identifier, purlo::RefusalText(why), root);
}

std::wstring CountedFileLine(purlo::JunkCategory category, const std::wstring& path, uint64_t bytes) {
  return std::wstring(purlo::Info(category).identifier) + L"\t" + win::Decimal(bytes) + L"\t" + LineField(path) +
         L"\n";
}

std::wstring JsonCategories(const RecordedRun& run, bool sweep, bool files) {
  std::wstring doc = L"[";
  bool first = true;
  for (const auto& entry : run.results) {
    const purlo::CategoryResult& r = entry.second;
    if (!first) doc += L",";
    first = false;
    doc += L"{\"id\":" + JsonString(purlo::Info(r.category).identifier) +
           L",\"status\":" + JsonString(purlo::StatusText(r.status)) + L",\"label\":" + JsonString(r.label) +
           L",\"items\":" + win::Decimal(r.items) + L",\"bytes\":" + win::Decimal(r.bytes) +
           L",\"kept\":" + win::Decimal(r.keptFiles) + L",\"keptBytes\":" + win::Decimal(r.keptBytes) +
           L",\"refused\":" + JsonRefusals(EntryOf(run.refused, r.category));
    if (sweep) {
      doc += L",\"failed\":" + JsonList(r.failedPaths);
      doc += L",\"skipped\":" + JsonList(r.skippedPaths);
    }
    if (files && !sweep) doc += L",\"files\":" + JsonFiles(EntryOf(run.counted, r.category));
    doc += L"}";
  }
  return doc + L"]";
}

std::wstring JsonDocument(const RecordedRun& run, bool sweep, bool files) {
  std::wstring doc = L"{\"run\":";
  doc += sweep ? L"\"sweep\"" : L"\"scan\"";
  doc += L",\"categories\":" + JsonCategories(run, sweep, files);
  doc += L",\"summary\":" + JsonString(run.summary) + L"}\n";
  return doc;
}

}  // namespace cli

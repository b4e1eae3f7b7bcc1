#include "cli/Json.h"

#include <cstdio>

namespace cli {

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendEscape(std::wstring& out, wchar_t c) {
  wchar_t escape[8];
  std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
  out += escape;
}

}  // namespace

// File names may hold unpaired surrogates (NTFS allows them); UTF-8 cannot
// carry one, so it is written as an escape rather than as U+FFFD, which
// would make distinct names print alike. Pairs stay as they are.
std::wstring JsonString(const std::wstring& text) {
  std::wstring out = L"\"";
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    switch (c) {
      case L'"': out += L"\\\""; break;
      case L'\\': out += L"\\\\"; break;
      case L'\n': out += L"\\n"; break;
      case L'\r': out += L"\\r"; break;
      case L'\t': out += L"\\t"; break;
      default:
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
          out += c;
          out += text[++i];
        } else if (c < 0x20 || IsHighSurrogate(c) || IsLowSurrogate(c)) {
          AppendEscape(out, c);
        } else {
          out += c;
        }
    }
  }
  return out + L"\"";
}

}  // namespace cli

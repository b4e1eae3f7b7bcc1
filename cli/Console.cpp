#include "cli/Console.h"

#include "win/Text.h"

namespace cli {

void Write(DWORD stdHandle, const std::wstring& text) {
  HANDLE out = ::GetStdHandle(stdHandle);
  if (out == nullptr || out == INVALID_HANDLE_VALUE || text.empty()) return;
  DWORD mode = 0;
  DWORD written = 0;
  if (::GetConsoleMode(out, &mode)) {
    ::WriteConsoleW(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const std::string bytes = win::ToUtf8(text);
  ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace cli

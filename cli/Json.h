#pragma once

#include <string>

namespace cli {

// A JSON string literal, quotes included.
std::wstring JsonString(const std::wstring& text);

}  // namespace cli

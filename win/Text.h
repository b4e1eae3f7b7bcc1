// Small text helpers shared by the engine and its front ends.
#pragma once

#include <cstdint>
#include <string>

namespace win {

std::wstring Decimal(uint64_t value);
std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::wstring ToUpper(std::wstring text);  // locale-independent, for path comparisons

}  // namespace win

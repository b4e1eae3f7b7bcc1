// Text output: wide characters on a console, UTF-8 into files and pipes.
#pragma once

#include <windows.h>

#include <string>

namespace cli {

void Write(DWORD stdHandle, const std::wstring& text);
inline void Out(const std::wstring& text) { Write(STD_OUTPUT_HANDLE, text); }
inline void Err(const std::wstring& text) { Write(STD_ERROR_HANDLE, text); }

}  // namespace cli

// Text output: wide characters on a console, UTF-8 into files and pipes; and
// the one progress line a console shows while a run works.
#pragma once

#include <windows.h>

#include <string>

namespace cli {

void Write(DWORD stdHandle, const std::wstring& text);
inline void Out(const std::wstring& text) { Write(STD_OUTPUT_HANDLE, text); }
inline void Err(const std::wstring& text) { Write(STD_ERROR_HANDLE, text); }

// Standard output through a bounded buffer, for output of one line per file:
// into a file or pipe the lines go out in blocks (memory stays flat), on a
// console at once. Out and Err flush it first, so the order holds.
void OutBuffered(const std::wstring& text);
void FlushOut();

// From now on what Out and OutBuffered write goes into `file` (a file the
// caller owns), or again to standard output when it is nullptr.
void SendReportTo(HANDLE file);

// After flushing: ERROR_SUCCESS when everything meant for standard output
// reached it, else the first error that kept some of it out.
DWORD OutputError();

bool IsConsole(DWORD stdHandle);

// The progress line, drawn on the console of standard error only: replaced
// in place by each call, erased by ClearProgress and before any other text
// reaches the console. Nothing when standard error is not a console.
void ShowProgress(const std::wstring& text);
void ClearProgress();

}  // namespace cli

// The status line's progress text: a path too long for the line is shortened
// in the middle, so that its start and its file name stay readable.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

// `prefix` + `path`, with the middle of the path replaced by "..." where the
// whole would be wider than `width`, as `measure` gives widths. The file name
// (from the last backslash) is kept whole whenever it fits with the prefix.
std::wstring FitPath(const std::wstring& prefix, const std::wstring& path, int width,
                     const std::function<int(const std::wstring&)>& measure);

// The same for a single-line edit control, in its font and at its width.
std::wstring FitPathToEdit(HWND edit, const std::wstring& prefix, const std::wstring& path);

}  // namespace ui

// A real window for the picture control's tests: a static control bound to a
// CPictureEx, inside a top-level popup at the screen's origin that all cases
// share (destroying a top-level window without a window manager takes about
// 2 s), with the screen read back through the screen DC (what Xvfb shows).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "controls/PictureEx.h"
#include "tests/support/Gui.h"

namespace testgif {

using testing_support::Capture;

struct Sample {
  double ms;  // since the sampling began
  COLORREF colour;
};

double NowMs();

class PictureWindow {
 public:
  // Creates the control and binds `picture` to it; the picture must outlive it.
  explicit PictureWindow(CPictureEx& picture);
  // Destroys the control (which stops its playback).
  ~PictureWindow();
  PictureWindow(const PictureWindow&) = delete;
  PictureWindow& operator=(const PictureWindow&) = delete;

  HWND Control() const { return control_; }
  bool Valid() const { return control_ != nullptr; }
  SIZE ControlSize() const;

  // Runs the window's messages for `ms` milliseconds.
  void Pump(DWORD ms) const;
  // The control's client area (or a part of it) as the screen shows it.
  Capture Grab(int width, int height) const;
  COLORREF ScreenPixel(int x, int y) const;
  // Pumps until the control's pixel (x, y) shows `colour`; false on timeout.
  bool WaitForPixel(int x, int y, COLORREF colour, DWORD timeoutMs) const;
  // Pumps until `done` or `timeoutMs`, noting each change of pixel (x, y).
  std::vector<Sample> Watch(int x, int y, DWORD timeoutMs, const std::function<bool()>& done) const;
  // Repaints the control now.
  void Repaint() const;

  CPictureEx& picture;

 private:
  HWND control_ = nullptr;
};

}  // namespace testgif

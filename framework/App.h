// The application object: one per program, created as a global, run from
// wWinMain by RunApplication. InitInstance does the program's work (typically
// running the main dialog modally) and returns false to end the program at
// once, or true to run a message loop until WM_QUIT.
#pragma once

#include <windows.h>

namespace fw {

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual bool InitInstance() = 0;
  // The process's exit code; called after InitInstance (and the loop, if any).
  virtual int ExitInstance() { return 0; }

  HINSTANCE Instance() const { return instance_; }

  // The one application object, or nullptr before it is constructed.
  static CWinApp* Current();

 private:
  friend int RunApplication(HINSTANCE instance);
  int Run(HINSTANCE instance);

  HINSTANCE instance_ = nullptr;
};

// Call from wWinMain: runs the application object.
int RunApplication(HINSTANCE instance);

}  // namespace fw

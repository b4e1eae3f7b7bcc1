// The application object: one per program, created as a global, run from
// wWinMain by RunApplication. InitInstance does the program's work (running
// the main dialog modally); the process ends when it returns.
#pragma once

namespace fw {

class CWinApp {
 public:
  CWinApp();
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual void InitInstance() = 0;
  // The process's exit code; called after InitInstance.
  virtual int ExitInstance() { return 0; }

  // The one application object, or nullptr before it is constructed.
  static CWinApp* Current();
};

// Call from wWinMain: runs the application object.
int RunApplication();

}  // namespace fw

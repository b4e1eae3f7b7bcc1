#include "framework/App.h"

namespace fw {

namespace {
CWinApp* theApp = nullptr;
}

CWinApp::CWinApp() { theApp = this; }

CWinApp::~CWinApp() {
  if (theApp == this) theApp = nullptr;
}

CWinApp* CWinApp::Current() { return theApp; }

int CWinApp::Run(HINSTANCE instance) {
  instance_ = instance;
  if (InitInstance()) {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
  }
  return ExitInstance();
}

int RunApplication(HINSTANCE instance) {
  CWinApp* app = CWinApp::Current();
  return app != nullptr ? app->Run(instance) : 1;
}

}  // namespace fw

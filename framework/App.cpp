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

int RunApplication() {
  CWinApp* app = CWinApp::Current();
  if (app == nullptr) return 1;
  app->InitInstance();
  return app->ExitInstance();
}

}  // namespace fw

// The application: registers the common controls, runs the main dialog
// modally and ends the process when it closes.
#pragma once

#include "framework/App.h"

namespace ui {

class CPurloApp : public fw::CWinApp {
 public:
  void InitInstance() override;
};

}  // namespace ui

// The dialog's own window messages. Each carries a heap payload in lParam that
// the receiver frees; when the post fails the sender frees it.
#pragma once

#include <windows.h>

namespace ui {

enum AppMessage : UINT {
  WM_APP_VIEW_OP = WM_APP + 1,  // lParam: ViewOp*, a label, status or button change from a worker or monitor
  WM_APP_ASK = WM_APP + 2,      // lParam: std::shared_ptr<Question>*, a message box a worker waits for
};

}  // namespace ui

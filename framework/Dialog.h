// Modal dialogs from resource templates. One static dialog procedure forwards
// every message to the object's virtual OnMessage, which says whether it
// handled the message and with what value; only the static procedure writes
// DWLP_MSGRESULT (or returns the value directly for the messages that take it
// so), so that rule lives in one place.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Controls.h"

namespace fw {

// Binds fields to the dialog's controls by id, in the order of the calls.
class DataExchange {
 public:
  explicit DataExchange(HWND dialog) : dialog_(dialog) {}

  // Attaches `field` to control `id`. A missing control leaves the field
  // unattached.
  void Control(int id, CWnd& field);

 private:
  HWND dialog_;
};

class CDialog : public CWnd {
 public:
  explicit CDialog(UINT templateId, HWND parent = nullptr);
  ~CDialog() override;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  // Runs the dialog modally (DialogBoxParamW); returns what EndDialog was given,
  // or -1 when the dialog could not be created.
  INT_PTR DoModal();
  void EndDialog(INT_PTR result) const;

  HWND GetDlgItem(int id) const { return ::GetDlgItem(Hwnd(), id); }
  // A message box owned by this dialog.
  int MessageBox(const std::wstring& text, const std::wstring& caption, UINT type) const;

 protected:
  // Every message of the dialog, from WM_INITDIALOG to WM_NCDESTROY. Return
  // true when handled, with the message's value in `result`; false lets the
  // system's dialog handling run. The default routes to the handlers below.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

  // Default: binds the fields (DoDataExchange, loading) and returns TRUE, so
  // the system focuses the first tab-stop control.
  virtual BOOL OnInitDialog();
  virtual void DoDataExchange(DataExchange& dx) {}
  // WM_COMMAND. Default: IDOK -> OnOK, IDCANCEL -> OnCancel (Enter, Esc and
  // the close box); true when handled.
  virtual bool OnCommand(WORD id, WORD code, HWND control);
  virtual void OnOK() { EndDialog(IDOK); }
  virtual void OnCancel() { EndDialog(IDCANCEL); }
  // WM_TIMER; the message then goes on to the default handling whatever this returns.
  virtual void OnTimer(UINT_PTR id) {}
  // WM_DESTROY, while the controls still exist.
  virtual void OnDestroy() {}

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId_;
  HWND parent_;
};

}  // namespace fw

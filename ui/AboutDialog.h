// The About dialog: logo, version, rights notice and the maker's addresses in
// blue, underlined fields.
#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"
#include "win/Gdi.h"

class myabout : public fw::CDialog {
 public:
  explicit myabout(HWND parent = nullptr) : fw::CDialog(IDD_ABOUT, parent) {}

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  BOOL OnInitDialog() override;
  bool OnCommand(WORD id, WORD code, HWND control) override;

 private:
  // Made on the first paint, given to the fields; they outlive the window
  // (released with this object, after DialogBox has destroyed the controls).
  struct FieldFonts {
    win::UniqueFont contact;  // the support and sample mail, the web site
    win::UniqueFont product;  // the product line
  };
  void OnPaint();
  void MakeFieldFonts();
  void OnDpiChanged(LPARAM suggested);
  LRESULT OnCtlColor(UINT message, HDC dc, HWND control);

  FieldFonts fonts_;
};

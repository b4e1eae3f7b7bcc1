// The category tree: the platform's tree view with check boxes, where an item
// may carry its own label colour (and font), honoured by painting the control
// double-buffered and overpainting those labels.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <unordered_map>

#include "framework/Controls.h"
#include "framework/Subclass.h"

class CTreeCtrlEx : public fw::CTreeCtrl, private fw::SubclassHandler {
 public:
  struct Color_Font {
    COLORREF color = 0xFFFFFFFF;  // 0xFFFFFFFF: the system window-text colour
    LOGFONTW logfont{};           // empty face name: the control's own font
  };

  CTreeCtrlEx() = default;
  ~CTreeCtrlEx() override = default;

  // Gives the item its label colour from the next paint on; invalidates nothing.
  // UI thread only.
  void SetLabelColor(HTREEITEM item, COLORREF color);

 protected:
  void OnAttached() override;

 private:
  bool OnSubclassMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  void OnPaint();
  void OverpaintLabels(HDC dc);
  void OverpaintLabel(HDC dc, HTREEITEM item, const Color_Font& style);

  struct ItemHash {
    size_t operator()(HTREEITEM item) const { return std::hash<void*>()(item); }
  };
  std::unordered_map<HTREEITEM, Color_Font, ItemHash> labelStyles_;
  fw::WindowSubclass subclass_;
};

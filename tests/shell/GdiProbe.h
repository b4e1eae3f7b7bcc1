// GDI facts about another process, read from outside it. GetGuiResources is
// a stub under Wine 8 (0, ERROR_CALL_NOT_IMPLEMENTED); there the count and the
// fonts come from the process's own GDI handle table, which Wine keeps in the
// process's memory like Windows keeps its shared one (PEB GdiSharedHandleTable).
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

class GdiProbe {
 public:
  explicit GdiProbe(DWORD processId);
  ~GdiProbe();
  GdiProbe(const GdiProbe&) = delete;
  GdiProbe& operator=(const GdiProbe&) = delete;

  bool Ready() const { return process_ != nullptr && (useGuiResources_ || table_ != 0); }
  // The process's live GDI objects; -1 when they cannot be read.
  long Objects();
  // Live objects by type (handle table only), for messages: "type:count ...".
  std::string Histogram();
  // How the count is taken, for messages.
  const char* Method() const { return useGuiResources_ ? "GetGuiResources" : "GDI handle table"; }
  // The LOGFONTW of a font handle of that process. Needs the handle table.
  bool ReadFont(HFONT font, LOGFONTW* out);
  // The font a control of that process draws with. WM_GETFONT does not cross
  // processes under Wine 8 (it answers 0), so this looks for a live font
  // handle of the process in the control's own state, which its window's
  // first extra value points to.
  bool ControlFont(HWND control, LOGFONTW* out);

 private:
  bool Read(unsigned long long address, void* buffer, size_t size);
  HANDLE process_ = nullptr;
  bool useGuiResources_ = false;
  unsigned long long table_ = 0;
};

}  // namespace testing_support

// Reads the resources of a built program (.exe) without running it: dialog
// templates control by control, bitmaps, icon groups, the manifest and the
// version strings, for tests that compare them with what the program must hold.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Atoms of the predefined control classes, as a template names them.
enum : uint16_t {
  kButtonAtom = 0x80,
  kEditAtom = 0x81,
  kStaticAtom = 0x82,
  kListBoxAtom = 0x83,
  kScrollBarAtom = 0x84,
  kComboBoxAtom = 0x85,
};

struct DialogControl {
  int id = 0;  // IDC_STATIC (0xFFFF in a plain template) reads as -1
  uint16_t classAtom = 0;  // 0x80 ... 0x85, or 0 when named
  // "Button", "Edit", "Static" ... for atoms; the name as stored otherwise.
  // windres stores the quoted class of a CONTROL statement as an upper-case
  // name ("STATIC", never the atom); a numeric class (0x82) gives the atom.
  std::wstring className;
  std::wstring text;  // empty when given by ordinal
  uint16_t textOrdinal = 0;  // a resource id (for example the bitmap of an SS_BITMAP static)
  DWORD style = 0, exStyle = 0, helpId = 0;
  short x = 0, y = 0, cx = 0, cy = 0;  // dialog units

  // Compares the class as Windows does, ignoring case ("Static" matches the
  // atom 0x82 and the name "STATIC").
  bool ClassIs(const std::wstring& name) const;
};

struct DialogTemplate {
  bool found = false;
  bool extended = false;  // DLGTEMPLATEEX
  DWORD style = 0, exStyle = 0, helpId = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  std::wstring menu, windowClass, caption;  // menu and class as "#n" when ordinals
  // Only when the style has DS_SETFONT (or DS_SHELLFONT).
  uint16_t pointSize = 0, weight = 0;
  bool italic = false;
  uint8_t charset = 0;
  std::wstring font;
  std::vector<DialogControl> controls;  // in template (tab) order

  const DialogControl* Find(int id) const;
};

struct BitmapInfo {
  bool found = false;
  int width = 0, height = 0;  // as stored (height positive for bottom-up)
  int bitCount = 0;
  DWORD headerSize = 0;  // 40 for BITMAPINFOHEADER, 108 V4, 124 V5
  DWORD compression = 0;
  // LoadImageW(IMAGE_BITMAP, LR_CREATEDIBSECTION) from the module worked and
  // gave the same size and depth.
  bool loads = false;
};

struct IconEntry {
  int width = 0, height = 0, bitCount = 0, colorCount = 0;
  uint16_t iconId = 0;  // the RT_ICON it refers to
  int storedBitCount = 0;  // from the RT_ICON's own header (0 when PNG or missing)
  bool loads = false;  // CreateIconFromResourceEx accepts it at its size
};

// A program's resources, opened as a data file (its code never runs).
class ResourceFile {
 public:
  explicit ResourceFile(const std::wstring& path);
  ~ResourceFile();
  ResourceFile(const ResourceFile&) = delete;
  ResourceFile& operator=(const ResourceFile&) = delete;

  bool Opened() const { return module_ != nullptr; }
  HMODULE Module() const { return module_; }

  // The raw bytes of a resource; empty when absent.
  std::vector<uint8_t> Raw(LPCWSTR type, LPCWSTR name) const;
  bool Has(LPCWSTR type, int id) const;

  DialogTemplate Dialog(int id) const;
  BitmapInfo Bitmap(int id) const;
  std::vector<IconEntry> IconGroup(int id) const;
  std::string Manifest(int id = 1) const;  // as stored (UTF-8)
  // A value of the version resource's first string table ("FileVersion",
  // "ProductName", "OriginalFilename" ...); empty when absent.
  std::wstring VersionString(const std::wstring& name) const;
  // The fixed file version as "a.b.c.d"; empty when absent.
  std::wstring FixedFileVersion() const;

 private:
  HMODULE module_ = nullptr;
};

// Parses the bytes of a DLGTEMPLATE or DLGTEMPLATEEX; found is false when they
// are cut short.
DialogTemplate ParseDialogTemplate(const std::vector<uint8_t>& bytes);

}  // namespace testing_support

#include "tests/support/Resources.h"

#include <cstdio>
#include <cstring>

namespace testing_support {

namespace {

// Reads a template's WORD-aligned fields, refusing to step past the end.
class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  size_t offset() const { return at_; }

  uint16_t Word() { return static_cast<uint16_t>(Take(2)); }
  uint32_t Dword() { return static_cast<uint32_t>(Take(4)); }
  uint8_t Byte() { return static_cast<uint8_t>(Take(1)); }
  short Short() { return static_cast<short>(Word()); }

  // sz_Or_Ord: 0x0000 (nothing), 0xFFFF + ordinal, or a zero-ended string.
  void NameOrOrdinal(std::wstring* name, uint16_t* ordinal) {
    const uint16_t first = PeekWord();
    if (first == 0xFFFF) {
      Word();
      *ordinal = Word();
      return;
    }
    *name = String();
  }
  std::wstring String() {
    std::wstring s;
    for (;;) {
      const uint16_t c = Word();
      if (!ok_ || c == 0) break;
      s.push_back(static_cast<wchar_t>(c));
    }
    return s;
  }
  void AlignDword() {
    while (ok_ && at_ % 4 != 0 && at_ < bytes_.size()) ++at_;
  }
  void Skip(size_t n) {
    if (at_ + n > bytes_.size()) ok_ = false;
    else at_ += n;
  }

 private:
  uint16_t PeekWord() const {
    if (at_ + 2 > bytes_.size()) return 0;
    return static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
  }
  uint64_t Take(size_t n) {
    if (!ok_ || at_ + n > bytes_.size()) {
      ok_ = false;
      return 0;
    }
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= static_cast<uint64_t>(bytes_[at_ + i]) << (8 * i);
    at_ += n;
    return v;
  }

  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

std::wstring AtomClassName(uint16_t atom) {
  switch (atom) {
    case kButtonAtom: return L"Button";
    case kEditAtom: return L"Edit";
    case kStaticAtom: return L"Static";
    case kListBoxAtom: return L"ListBox";
    case kScrollBarAtom: return L"ScrollBar";
    case kComboBoxAtom: return L"ComboBox";
  }
  wchar_t text[16];
  std::swprintf(text, 16, L"#%u", atom);
  return text;
}

std::wstring OrdinalName(uint16_t ordinal) {
  wchar_t text[16];
  std::swprintf(text, 16, L"#%u", ordinal);
  return text;
}

void ReadHeaderNames(Reader& r, DialogTemplate* t) {
  uint16_t ordinal = 0;
  r.NameOrOrdinal(&t->menu, &ordinal);
  if (ordinal) t->menu = OrdinalName(ordinal);
  ordinal = 0;
  r.NameOrOrdinal(&t->windowClass, &ordinal);
  if (ordinal) t->windowClass = OrdinalName(ordinal);
  t->caption = r.String();
}

bool ReadControl(Reader& r, bool extended, DialogControl* c) {
  r.AlignDword();
  if (extended) {
    c->helpId = r.Dword();
    c->exStyle = r.Dword();
    c->style = r.Dword();
  } else {
    c->style = r.Dword();
    c->exStyle = r.Dword();
  }
  c->x = r.Short();
  c->y = r.Short();
  c->cx = r.Short();
  c->cy = r.Short();
  if (extended) {
    c->id = static_cast<int>(r.Dword());
  } else {
    c->id = r.Short();  // 0xFFFF, IDC_STATIC, reads as -1
  }
  r.NameOrOrdinal(&c->className, &c->classAtom);
  if (c->classAtom) c->className = AtomClassName(c->classAtom);
  r.NameOrOrdinal(&c->text, &c->textOrdinal);
  const uint16_t extra = r.Word();
  r.Skip(extra);
  return r.ok();
}

}  // namespace

bool DialogControl::ClassIs(const std::wstring& name) const {
  return ::CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, className.c_str(), -1, name.c_str(), -1) == CSTR_EQUAL;
}

const DialogControl* DialogTemplate::Find(int id) const {
  for (const DialogControl& c : controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

DialogTemplate ParseDialogTemplate(const std::vector<uint8_t>& bytes) {
  DialogTemplate t;
  Reader r(bytes);
  if (bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF) {
    t.extended = true;
    r.Word();  // dlgVer
    r.Word();  // signature
    t.helpId = r.Dword();
    t.exStyle = r.Dword();
    t.style = r.Dword();
  } else {
    t.style = r.Dword();
    t.exStyle = r.Dword();
  }
  const uint16_t count = r.Word();
  t.x = r.Short();
  t.y = r.Short();
  t.cx = r.Short();
  t.cy = r.Short();
  ReadHeaderNames(r, &t);
  if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
    t.pointSize = r.Word();
    if (t.extended) {
      t.weight = r.Word();
      t.italic = r.Byte() != 0;
      t.charset = r.Byte();
    }
    t.font = r.String();
  }
  if (!r.ok()) return t;
  for (uint16_t i = 0; i < count; ++i) {
    DialogControl c;
    if (!ReadControl(r, t.extended, &c)) return t;
    t.controls.push_back(c);
  }
  t.found = true;
  return t;
}

ResourceFile::ResourceFile(const std::wstring& path) {
  module_ = ::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

ResourceFile::~ResourceFile() {
  if (module_) ::FreeLibrary(module_);
}

std::vector<uint8_t> ResourceFile::Raw(LPCWSTR type, LPCWSTR name) const {
  std::vector<uint8_t> bytes;
  if (!module_) return bytes;
  HRSRC found = ::FindResourceW(module_, name, type);
  if (!found) return bytes;
  HGLOBAL loaded = ::LoadResource(module_, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  const DWORD size = ::SizeofResource(module_, found);
  if (data && size) bytes.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  return bytes;
}

bool ResourceFile::Has(LPCWSTR type, int id) const {
  return module_ && ::FindResourceW(module_, MAKEINTRESOURCEW(id), type) != nullptr;
}

DialogTemplate ResourceFile::Dialog(int id) const {
  const std::vector<uint8_t> bytes = Raw(RT_DIALOG, MAKEINTRESOURCEW(id));
  if (bytes.empty()) return DialogTemplate();
  return ParseDialogTemplate(bytes);
}

BitmapInfo ResourceFile::Bitmap(int id) const {
  BitmapInfo info;
  const std::vector<uint8_t> bytes = Raw(RT_BITMAP, MAKEINTRESOURCEW(id));
  if (bytes.size() < sizeof(BITMAPINFOHEADER)) return info;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes.data(), sizeof(header));
  info.found = true;
  info.headerSize = header.biSize;
  info.width = header.biWidth;
  info.height = header.biHeight;
  info.bitCount = header.biBitCount;
  info.compression = header.biCompression;

  HANDLE image = ::LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (image) {
    DIBSECTION dib = {};
    if (::GetObjectW(image, sizeof(dib), &dib) == sizeof(dib)) {
      const int height = info.height < 0 ? -info.height : info.height;
      info.loads = dib.dsBm.bmWidth == info.width && dib.dsBm.bmHeight == height &&
                   dib.dsBm.bmBitsPixel == info.bitCount;
    }
    ::DeleteObject(image);
  }
  return info;
}

std::vector<IconEntry> ResourceFile::IconGroup(int id) const {
  std::vector<IconEntry> entries;
  const std::vector<uint8_t> bytes = Raw(RT_GROUP_ICON, MAKEINTRESOURCEW(id));
  if (bytes.size() < 6) return entries;
  const uint16_t count = static_cast<uint16_t>(bytes[4] | (bytes[5] << 8));
  const size_t entrySize = 14;  // GRPICONDIRENTRY, packed
  for (uint16_t i = 0; i < count && 6 + (i + 1) * entrySize <= bytes.size(); ++i) {
    const uint8_t* e = &bytes[6 + i * entrySize];
    IconEntry entry;
    entry.width = e[0] ? e[0] : 256;
    entry.height = e[1] ? e[1] : 256;
    entry.colorCount = e[2];
    entry.bitCount = e[6] | (e[7] << 8);
    entry.iconId = static_cast<uint16_t>(e[12] | (e[13] << 8));
    std::vector<uint8_t> icon = Raw(RT_ICON, MAKEINTRESOURCEW(entry.iconId));
    if (icon.size() >= sizeof(BITMAPINFOHEADER) && std::memcmp(icon.data(), "\x89PNG", 4) != 0) {
      BITMAPINFOHEADER header;
      std::memcpy(&header, icon.data(), sizeof(header));
      entry.storedBitCount = header.biBitCount;
    }
    if (!icon.empty()) {
      HICON handle = ::CreateIconFromResourceEx(icon.data(), static_cast<DWORD>(icon.size()), TRUE, 0x00030000,
                                                entry.width, entry.height, LR_DEFAULTCOLOR);
      if (handle) {
        ICONINFO ii = {};
        if (::GetIconInfo(handle, &ii)) {
          BITMAP mask = {};
          ::GetObjectW(ii.hbmMask, sizeof(mask), &mask);
          // Without a colour bitmap the mask holds both halves (monochrome icons).
          entry.loads = mask.bmWidth == entry.width &&
                        (ii.hbmColor ? mask.bmHeight == entry.height : mask.bmHeight == 2 * entry.height);
          if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
          if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
        }
        ::DestroyIcon(handle);
      }
    }
    entries.push_back(entry);
  }
  return entries;
}

std::string ResourceFile::Manifest(int id) const {
  const std::vector<uint8_t> bytes = Raw(MAKEINTRESOURCEW(24) /* RT_MANIFEST */, MAKEINTRESOURCEW(id));
  return std::string(bytes.begin(), bytes.end());
}

namespace {

// The version block must be in writable memory of its own for VerQueryValueW.
bool VersionBlock(const ResourceFile& file, std::vector<uint8_t>* block) {
  *block = file.Raw(RT_VERSION, MAKEINTRESOURCEW(1));
  return !block->empty();
}

}  // namespace

std::wstring ResourceFile::VersionString(const std::wstring& name) const {
  std::vector<uint8_t> block;
  if (!VersionBlock(*this, &block)) return std::wstring();
  struct Translation {
    WORD language, codePage;
  };
  Translation* translations = nullptr;
  UINT size = 0;
  std::wstring table = L"040904b0";
  if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &size) &&
      size >= sizeof(Translation)) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%04x%04x", translations[0].language, translations[0].codePage);
    table = text;
  }
  const std::wstring path = L"\\StringFileInfo\\" + table + L"\\" + name;
  wchar_t* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value) {
    return std::wstring();
  }
  std::wstring result(value);  // length may count the terminator
  return result;
}

std::wstring ResourceFile::FixedFileVersion() const {
  std::vector<uint8_t> block;
  if (!VersionBlock(*this, &block)) return std::wstring();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size) || size < sizeof(*fixed)) {
    return std::wstring();
  }
  wchar_t text[64];
  std::swprintf(text, 64, L"%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
  return text;
}

}  // namespace testing_support

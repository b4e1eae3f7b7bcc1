// The resource reader against the test program's own templates, and Purlo's
// pictures as they come out of the resource compiler: sizes, depths, loading.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "tests/gui/DriverTargetIds.h"
#include "tests/support/CliRun.h"
#include "tests/support/Resources.h"

using namespace testing_support;

namespace {

const wchar_t kTarget[] = L"C:\\purlo\\driver-target.exe";

// Draws an icon image over white and returns the pixel at (x, y) as 0xRRGGBB.
struct IconPixels {
  int size = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(double fx, double fy) const {
    return pixels[static_cast<int>(fy * size) * size + static_cast<int>(fx * size)] & 0xFFFFFF;
  }
};

IconPixels DrawIcon(const std::vector<uint8_t>& data, int size) {
  IconPixels out;
  HICON icon = ::CreateIconFromResourceEx(const_cast<uint8_t*>(data.data()), static_cast<DWORD>(data.size()), TRUE,
                                          0x00030000, size, size, LR_DEFAULTCOLOR);
  if (!icon) return out;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC dc = ::CreateCompatibleDC(nullptr);
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dc && bitmap) {
    HGDIOBJ previous = ::SelectObject(dc, bitmap);
    RECT all = {0, 0, size, size};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    ::DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    ::GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    out.size = size;
    out.pixels.assign(p, p + size * size);
    ::SelectObject(dc, previous);
  }
  if (bitmap) ::DeleteObject(bitmap);
  if (dc) ::DeleteDC(dc);
  ::DestroyIcon(icon);
  return out;
}

class Resources : public ::testing::Test {
 protected:
  ResourceFile file{kTarget};
};

TEST_F(Resources, ReadsAnExtendedTemplateControlByControl) {
  ASSERT_TRUE(file.Opened());
  const DialogTemplate t = file.Dialog(IDD_TARGET);
  ASSERT_TRUE(t.found);
  EXPECT_TRUE(t.extended);
  EXPECT_EQ(t.style, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE));
  EXPECT_EQ(t.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
  EXPECT_EQ(t.caption, L"驱动测试");
  EXPECT_EQ(t.font, L"MS Shell Dlg");
  EXPECT_EQ(t.pointSize, 9);
  EXPECT_EQ(t.cx, 220);
  EXPECT_EQ(t.cy, 160);
  ASSERT_EQ(t.controls.size(), 11u);

  const std::vector<int> ids = {IDC_TREE, IDC_RESULT, IDC_ASK, IDC_COUNT, IDC_OPTION, IDC_DISABLED,
                                IDC_RED, IDC_FLASH, -1, IDOK, IDCANCEL};
  for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(t.controls[i].id, ids[i]) << i;

  const DialogControl& tree = t.controls[0];
  EXPECT_EQ(tree.classAtom, 0);
  EXPECT_EQ(tree.className, L"SYSTREEVIEW32");  // as windres stores it
  EXPECT_TRUE(tree.ClassIs(L"SysTreeView32"));
  EXPECT_FALSE(tree.ClassIs(L"SysListView32"));
  EXPECT_TRUE(tree.style & TVS_CHECKBOXES);
  EXPECT_TRUE(tree.style & WS_BORDER);
  EXPECT_EQ(tree.x, 5);
  EXPECT_EQ(tree.cy, 100);

  const DialogControl* edit = t.Find(IDC_RESULT);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->classAtom, kEditAtom);
  EXPECT_EQ(edit->className, L"Edit");
  EXPECT_TRUE(edit->style & ES_READONLY);

  const DialogControl* ask = t.Find(IDC_ASK);
  ASSERT_NE(ask, nullptr);
  EXPECT_EQ(ask->classAtom, kButtonAtom);
  EXPECT_EQ(ask->text, L"询问");
  EXPECT_EQ(ask->style & BS_TYPEMASK, static_cast<DWORD>(BS_PUSHBUTTON));
  EXPECT_EQ((std::vector<int>{ask->x, ask->y, ask->cx, ask->cy}), (std::vector<int>{130, 25, 40, 14}));

  EXPECT_TRUE(t.Find(IDC_DISABLED)->style & WS_DISABLED);
  EXPECT_EQ(t.Find(IDC_OPTION)->style & BS_TYPEMASK, static_cast<DWORD>(BS_AUTOCHECKBOX));
  EXPECT_EQ(t.Find(IDOK)->style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));

  const DialogControl* flash = t.Find(IDC_FLASH);
  ASSERT_NE(flash, nullptr);
  EXPECT_EQ(flash->classAtom, kStaticAtom);
  EXPECT_TRUE(flash->ClassIs(L"static"));
  EXPECT_EQ(flash->textOrdinal, IDB_UPGRADE1);
  EXPECT_TRUE(flash->text.empty());
  EXPECT_EQ(flash->style & SS_TYPEMASK, static_cast<DWORD>(SS_BITMAP));
  EXPECT_EQ(t.controls[8].text, L"说明文字");
}

TEST_F(Resources, ReadsAPlainTemplate) {
  const DialogTemplate t = file.Dialog(IDD_NOTICE);
  ASSERT_TRUE(t.found);
  EXPECT_FALSE(t.extended);
  EXPECT_FALSE(t.style & WS_CAPTION);
  EXPECT_TRUE(t.caption.empty());
  EXPECT_EQ(t.pointSize, 8);
  EXPECT_EQ(t.font, L"MS Shell Dlg");
  ASSERT_EQ(t.controls.size(), 3u);
  EXPECT_EQ(t.controls[0].id, -1);
  EXPECT_EQ(t.controls[0].className, L"Static");
  EXPECT_EQ(t.controls[1].id, IDC_NOTICE_START);
  EXPECT_EQ(t.controls[1].text, L"开\x3000始");
  EXPECT_EQ(t.controls[2].text, L"放\x3000弃");
  EXPECT_EQ((std::vector<int>{t.controls[2].x, t.controls[2].y, t.controls[2].cx, t.controls[2].cy}),
            (std::vector<int>{90, 35, 50, 14}));

  EXPECT_FALSE(file.Dialog(4242).found);
}

TEST_F(Resources, ATemplateCutShortIsRefusedNotOverread) {
  for (int id : {IDD_TARGET, IDD_NOTICE}) {
    const std::vector<uint8_t> whole = file.Raw(RT_DIALOG, MAKEINTRESOURCEW(id));
    ASSERT_FALSE(whole.empty());
    EXPECT_TRUE(ParseDialogTemplate(whole).found);
    for (size_t n = 0; n + 1 < whole.size(); n += 3) {
      const std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
      EXPECT_FALSE(ParseDialogTemplate(cut).found) << id << " cut at " << n;
    }
  }
}

TEST_F(Resources, ManifestAndVersion) {
  const std::string manifest = file.Manifest();
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_TRUE(file.Manifest(2).empty());
  EXPECT_EQ(file.VersionString(L"ProductName"), L"Purlo");
  EXPECT_EQ(file.VersionString(L"FileVersion"), L"0.3");
  EXPECT_EQ(file.VersionString(L"OriginalFilename"), L"driver-target.exe");
  EXPECT_EQ(file.VersionString(L"FileDescription"), L"GUI 驱动测试程序");
  EXPECT_TRUE(file.VersionString(L"NoSuchValue").empty());
  EXPECT_EQ(file.FixedFileVersion(), L"0.3.0.0");
}

// Purlo's pictures, compiled from res/ by the resource compiler and loaded as
// the dialog will load them.
TEST_F(Resources, ArtHasTheSizesAndDepthsTheDialogNeeds) {
  struct Expect {
    int id, width, height, bits;
  };
  const Expect bitmaps[] = {{IDB_BANNER, 690, 109, 32},  {IDB_ABOUT, 256, 128, 32},   {IDB_UPGRADE1, 63, 21, 24},
                            {IDB_UPGRADE2, 63, 21, 24}, {IDB_UPGRADE3, 63, 21, 24}, {IDB_UPGRADE4, 63, 21, 24},
                            {IDB_UPGRADE5, 63, 21, 24}};
  for (const Expect& e : bitmaps) {
    const BitmapInfo b = file.Bitmap(e.id);
    ASSERT_TRUE(b.found) << e.id;
    EXPECT_EQ(b.width, e.width) << e.id;
    EXPECT_EQ(b.height, e.height) << e.id;
    EXPECT_EQ(b.bitCount, e.bits) << e.id;
    EXPECT_EQ(b.headerSize, 40u) << e.id;
    EXPECT_EQ(b.compression, static_cast<DWORD>(BI_RGB)) << e.id;
    EXPECT_TRUE(b.loads) << e.id;
    HBITMAP old = ::LoadBitmapW(file.Module(), MAKEINTRESOURCEW(e.id));
    EXPECT_NE(old, nullptr) << e.id;
    if (old) ::DeleteObject(old);
  }
  EXPECT_FALSE(file.Bitmap(143).found);

  const std::vector<IconEntry> icons = file.IconGroup(IDR_MAINFRAME);
  std::vector<std::vector<int>> got;
  for (const IconEntry& e : icons) {
    got.push_back({e.width, e.height, e.bitCount});
    EXPECT_EQ(e.storedBitCount, e.bitCount) << e.width << "x" << e.bitCount;
    EXPECT_TRUE(e.loads) << e.width << "x" << e.bitCount;
    EXPECT_EQ(e.colorCount, e.bitCount == 4 ? 16 : 0);
  }
  std::vector<std::vector<int>> expected;
  for (int size : {16, 24, 32, 48}) {
    for (int bits : {4, 8, 32}) expected.push_back({size, size, bits});
  }
  expected.push_back({128, 128, 8});
  expected.push_back({128, 128, 32});
  EXPECT_EQ(got, expected);

  // Every image draws the logo: the corners stay transparent, the lower left
  // of the disc is teal, whatever the depth (a wrong palette or mask shows here).
  for (const IconEntry& e : icons) {
    const IconPixels drawn = DrawIcon(file.Raw(RT_ICON, MAKEINTRESOURCEW(e.iconId)), e.width);
    ASSERT_EQ(drawn.size, e.width) << e.width << "x" << e.bitCount;
    EXPECT_EQ(drawn.At(0, 0), 0xFFFFFFu) << e.width << "x" << e.bitCount;
    EXPECT_EQ(drawn.At(0.97, 0.97), 0xFFFFFFu) << e.width << "x" << e.bitCount;
    const uint32_t disc = drawn.At(0.25, 0.72);
    const int r = (disc >> 16) & 0xFF, g = (disc >> 8) & 0xFF, b = disc & 0xFF;
    EXPECT_TRUE(g > r + 40 && b > r + 30 && g < 220) << e.width << "x" << e.bitCount << " " << std::hex << disc;
  }
  HANDLE icon = ::LoadImageW(file.Module(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, 32, 32, 0);
  EXPECT_NE(icon, nullptr);
  if (icon) ::DestroyIcon(static_cast<HICON>(icon));
}

}  // namespace

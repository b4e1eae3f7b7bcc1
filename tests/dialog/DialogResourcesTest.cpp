// What the built Purlo.exe carries, read back from the file: the main
// dialog's template control by control, the pictures, the icon, the manifest
// and the version.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cctype>

#include "tests/dialog/PurloWindow.h"
#include "tests/support/CliRun.h"
#include "tests/support/Resources.h"
#include "ui/Texts.h"

using namespace testing_support;
namespace texts = purlo::texts;

namespace {

struct ExpectedControl {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  DWORD style;
  short x, y, cx, cy;
};

const DWORD kChild = WS_CHILD | WS_VISIBLE;

// Listed, Windows 8.1 and 10 would report their true major version and the
// start-up check would leave the version at 0.
void ExpectNoSupportedOsFromWindows81(std::string manifest) {
  std::transform(manifest.begin(), manifest.end(), manifest.begin(), [](unsigned char c) { return std::tolower(c); });
  for (const char* id : {"1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"}) {
    EXPECT_EQ(manifest.find(id), std::string::npos) << id;
  }
}

}  // namespace

TEST(DialogResources, TheMainTemplateHoldsTheMainDialogExactly) {
  ResourceFile exe(kPurloExe);
  ASSERT_TRUE(exe.Opened());
  DialogTemplate dialog = exe.Dialog(IDD_PURLO_DIALOG);
  ASSERT_TRUE(dialog.found);
  EXPECT_EQ(dialog.caption, L"Purlo Beta");
  EXPECT_EQ(dialog.font, L"MS Shell Dlg");
  EXPECT_EQ(dialog.pointSize, 9);
  EXPECT_EQ(dialog.cx, 395);
  EXPECT_EQ(dialog.cy, 255);
  EXPECT_EQ(dialog.style & ~DS_SETFONT,
            static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME));
  EXPECT_TRUE(dialog.style & DS_SETFONT);
  EXPECT_EQ(dialog.exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));

  const ExpectedControl expected[] = {
      {IDC_START_SCAN, L"Button", texts::kStartScan, kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 222, 236, 50, 14},
      {IDC_SWEEP_NOW, L"Button", texts::kSweepNow, kChild | BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, 283, 236, 50, 14},
      {IDC_CATEGORY_TREE, L"SysTreeView32", L"", kChild | WS_BORDER | WS_TABSTOP | TVS_CHECKBOXES | TVS_NOHSCROLL, 0,
       62, 395, 147},
      {IDC_SELECT_ALL, L"Button", L"全选", kChild | BS_AUTORADIOBUTTON | WS_GROUP, 9, 234, 27, 10},
      {IDC_INVERT, L"Button", L"反选", kChild | BS_AUTORADIOBUTTON, 45, 234, 25, 10},
      {IDC_STATUS, L"Edit", L"", kChild | ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, 5, 217, 311, 13},
      {IDC_RECOMMENDED, L"Button", L"推荐", kChild | BS_AUTORADIOBUTTON, 82, 234, 30, 10},
      {IDC_BANNER_ANIMATION, L"Static", L"", kChild | SS_BLACKFRAME, 0, 0, 395, 62},
      {IDC_BANNER_STILL, L"Static", L"", kChild | SS_BITMAP | SS_REALSIZECONTROL, 0, 0, 395, 62},
      {IDC_ABOUT, L"Button", texts::kAboutInTemplate, kChild | BS_PUSHBUTTON | WS_TABSTOP, 343, 236, 50, 14},
  };
  ASSERT_EQ(dialog.controls.size(), sizeof expected / sizeof expected[0]);
  for (size_t i = 0; i < dialog.controls.size(); ++i) {
    const DialogControl& got = dialog.controls[i];
    const ExpectedControl& want = expected[i];
    SCOPED_TRACE(want.id);
    EXPECT_EQ(got.id, want.id);
    EXPECT_EQ(_wcsicmp(got.className.c_str(), want.className), 0) << Narrow(got.className);
    EXPECT_EQ(got.text, want.text);
    EXPECT_EQ(got.style, want.style) << std::hex << got.style;
    EXPECT_EQ(got.exStyle, 0u);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.cx, want.cx);
    EXPECT_EQ(got.cy, want.cy);
  }
  EXPECT_EQ(dialog.controls[8].textOrdinal, IDB_BANNER) << "the still banner shows IDB_BANNER";
}

TEST(DialogResources, PicturesIconManifestAndVersion) {
  ResourceFile exe(kPurloExe);
  ASSERT_TRUE(exe.Opened());
  BitmapInfo banner = exe.Bitmap(IDB_BANNER);
  ASSERT_TRUE(banner.found);
  EXPECT_EQ(banner.width, 690);
  EXPECT_EQ(banner.height, 109);
  EXPECT_EQ(banner.bitCount, 32);
  EXPECT_TRUE(banner.loads);
  for (int id = IDB_UPGRADE1; id <= IDB_UPGRADE5; ++id) {
    BitmapInfo frame = exe.Bitmap(id);
    ASSERT_TRUE(frame.found) << id;
    EXPECT_EQ(frame.width, 63) << id;
    EXPECT_EQ(frame.height, 21) << id;
    EXPECT_EQ(frame.bitCount, 24) << id;
    EXPECT_TRUE(frame.loads) << id;
  }
  EXPECT_TRUE(exe.Bitmap(IDB_ABOUT).found) << "the About picture";
  // The still banner and the About logo drawn at 1.5x and 2x beside them.
  const struct {
    int id, width, height;
  } scaled[] = {
      {IDB_BANNER_150, 1035, 164}, {IDB_BANNER_200, 1380, 218}, {IDB_ABOUT_150, 384, 192}, {IDB_ABOUT_200, 512, 256}};
  for (const auto& want : scaled) {
    BitmapInfo got = exe.Bitmap(want.id);
    ASSERT_TRUE(got.found) << want.id;
    EXPECT_EQ(got.width, want.width) << want.id;
    EXPECT_EQ(got.height, want.height) << want.id;
    EXPECT_TRUE(got.loads) << want.id;
  }

  // 16, 24, 32 and 48 at 4, 8 and 32 bits; 128 at 8 and 32.
  std::vector<std::pair<int, int>> want;
  for (int size : {16, 24, 32, 48}) {
    for (int bits : {4, 8, 32}) want.emplace_back(size, bits);
  }
  for (int bits : {8, 32}) want.emplace_back(128, bits);
  std::vector<IconEntry> icons = exe.IconGroup(IDR_MAINFRAME);
  std::vector<std::pair<int, int>> got;
  for (const IconEntry& icon : icons) {
    got.emplace_back(icon.width == 0 ? 256 : icon.width, icon.bitCount);
    EXPECT_EQ(icon.width, icon.height);
    EXPECT_TRUE(icon.loads) << icon.width << "x" << icon.bitCount;
  }
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);

  const std::string manifest = exe.Manifest(1);
  EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\""), std::string::npos);
  EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
  EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
  EXPECT_NE(manifest.find(">PerMonitorV2, system</dpiAwareness>"), std::string::npos);
  ExpectNoSupportedOsFromWindows81(manifest);

  EXPECT_EQ(exe.VersionString(L"FileVersion"), L"1.4");
  EXPECT_EQ(exe.VersionString(L"ProductVersion"), L"1.4");
  EXPECT_EQ(exe.VersionString(L"OriginalFilename"), L"Purlo.exe");
  EXPECT_EQ(exe.VersionString(L"ProductName"), L"Purlo");
  EXPECT_EQ(exe.VersionString(L"CompanyName"), L"the Purlo authors");
  EXPECT_EQ(exe.FixedFileVersion(), L"1.4.0.0");
}

// purlo-cli.exe carries its own manifest (as invoked, so never virtualized),
// its own version strings and the same icon.
TEST(DialogResources, CliHasManifestVersionAndIcon) {
  ResourceFile cli(L"C:\\purlo\\purlo-cli.exe");
  ASSERT_TRUE(cli.Opened());
  const std::string manifest = cli.Manifest(1);
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  ExpectNoSupportedOsFromWindows81(manifest);
  EXPECT_EQ(cli.VersionString(L"FileVersion"), L"1.4");
  EXPECT_EQ(cli.VersionString(L"ProductVersion"), L"1.4");
  EXPECT_EQ(cli.FixedFileVersion(), L"1.4.0.0");
  EXPECT_EQ(cli.VersionString(L"OriginalFilename"), L"purlo-cli.exe");
  EXPECT_EQ(cli.VersionString(L"ProductName"), L"Purlo");
  EXPECT_EQ(cli.VersionString(L"CompanyName"), L"the Purlo authors");
  EXPECT_NE(cli.VersionString(L"FileDescription"), L"");
  EXPECT_NE(cli.VersionString(L"FileDescription"), ResourceFile(kPurloExe).VersionString(L"FileDescription"));
  EXPECT_EQ(cli.IconGroup(IDR_MAINFRAME).size(), 14u) << "the program's icon, every size";
}

TEST(DialogResources, PurloIsAWindowsGuiProgram) {
  HANDLE file = ::CreateFileW(kPurloExe, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  IMAGE_DOS_HEADER dos{};
  DWORD read = 0;
  ::ReadFile(file, &dos, sizeof dos, &read, nullptr);
  ::SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN);
  IMAGE_NT_HEADERS nt{};  // the tests are built for the same architecture
  ::ReadFile(file, &nt, sizeof nt, &read, nullptr);
  ::CloseHandle(file);
  EXPECT_EQ(nt.Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
  EXPECT_EQ(nt.FileHeader.Machine, sizeof(void*) == 4 ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64);
  EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

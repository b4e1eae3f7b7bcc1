// The shell around the dialog as a person meets it: the real Purlo.exe, a copy
// per test installed in C:\Program Files\Purlo with the stand-in updater beside
// it (or not), the notice, the About button and its flash, the About dialog.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <string>

#include "tests/shell/GdiProbe.h"
#include "tests/shell/ShellFixtures.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "res/resource.h"
#include "ui/Texts.h"
#include "win/Text.h"
#include "tests/support/Gui.h"
#include "tests/support/GuiTest.h"
#include "tests/support/Resources.h"

namespace {

using namespace testing_support;

const wchar_t kCaption[] = L"Purlo Beta";
const wchar_t kInstalled[] = L"C:\\purlo-shell\\bin\\Purlo.exe";
const std::wstring kLinePrefix = L"ovupdate.exe Q00000042 v1.4 ";
const std::wstring kPage = L"http:\\\\www.example.com\\Q00000042";
const std::wstring kTemplateAboutText = purlo::texts::kAboutInTemplate;
const std::wstring kRestoredAboutText = purlo::texts::kAbout;
constexpr int kAboutCycles = 50;

// A flash frame is yellow characters on red, edge to edge: warm pixels, which
// the grey button with its dark text has none of.
bool IsWarm(uint32_t rgb) { return Red(rgb) > 100 && Red(rgb) - Blue(rgb) > 80; }

bool IsBlue(uint32_t rgb) { return Blue(rgb) > 190 && Red(rgb) < 90 && Green(rgb) < 90; }

HWND FindAbout(DWORD pid) {
  for (HWND w : TopLevelWindows(pid)) {
    if (ClassName(w) == L"#32770" && Control(w, IDC_PRODUCT_LINE) != nullptr && Control(w, IDC_SUPPORT_MAIL) != nullptr)
      return w;
  }
  return nullptr;
}

class Shell : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_TRUE(Exists(kInstalled)) << "prepare_shell puts Purlo.exe there";
    ClearOpenedAddresses();
  }

  // A copy of Purlo.exe under `name` in C:\Program Files\Purlo; the updater beside it when asked.
  std::wstring Install(const std::wstring& name = L"Purlo.exe") {
    const std::wstring program = installed / name;
    CopyInto(kInstalled, program);
    return program;
  }
  std::wstring App() const { return installed.Path(); }

  // Share of the About button's pixels that are warm, in percent.
  int WarmShare() {
    HWND button = app.Control(IDC_ABOUT);
    const Capture c = CaptureClient(button);
    if (c.Empty()) return -1;
    const RECT all = {0, 0, c.width, c.height};
    return c.Count(all, IsWarm) * 100 / (c.width * c.height);
  }

  // Samples the button every 40 ms: the times (ms from the first sample) at
  // which it turned from text to flash or back.
  std::vector<DWORD> FlashChanges(DWORD milliseconds, int* flashSamples, int* textSamples) {
    std::vector<DWORD> changes;
    *flashSamples = *textSamples = 0;
    const DWORD start = ::GetTickCount();
    int last = -1;
    while (::GetTickCount() - start < milliseconds) {
      const int flash = WarmShare() > 50 ? 1 : 0;
      (flash ? *flashSamples : *textSamples) += 1;
      if (last != -1 && flash != last) changes.push_back(::GetTickCount() - start);
      last = flash;
      ::Sleep(40);
    }
    return changes;
  }

  bool OpenAbout(HWND* about) {
    if (!Click(app.Control(IDC_ABOUT))) return false;
    *about = nullptr;
    return WaitUntil([&] { return (*about = FindAbout(app.Pid())) != nullptr; }, 5000);
  }
  // The box hides before it is destroyed, and its fonts and picture go with
  // the window and the object behind it: closed means the window is gone and
  // the main dialog's thread is back from the box.
  bool CloseAbout(HWND about) {
    return Click(Control(about, IDC_ABOUT_OK)) && WaitUntil([&] { return !::IsWindow(about); }, 10000) &&
           RoundTripMs(app.Main(), 10000) >= 0;
  }

  TestFolder folder{L"shell-gui"};
  InstalledFolder installed;
};

// ---- the notice -----------------------------------------------------------

TEST_F(Shell, NoticeTemplateHoldsItsTextsAndButtons) {
  ResourceFile exe(kInstalled);
  ASSERT_TRUE(exe.Opened());
  const DialogTemplate t = exe.Dialog(IDD_STARTUP_NOTICE);
  ASSERT_TRUE(t.found);
  EXPECT_EQ(t.cx, 241);
  EXPECT_EQ(t.cy, 126);
  EXPECT_EQ(t.style & (WS_POPUP | DS_MODALFRAME), DWORD(WS_POPUP | DS_MODALFRAME));
  EXPECT_EQ(t.style & WS_CAPTION, 0u);
  EXPECT_EQ(t.font, L"MS Shell Dlg");
  EXPECT_EQ(t.pointSize, 8);
  ASSERT_EQ(t.controls.size(), 5u);
  const std::wstring body =
      L"　　本程序可以清理系统垃圾，加快系统运行速度。若您在使用过程中遇到问题请及时与我方技术支持部门联系，以确保您的正常使用与该程序的完善。";
  EXPECT_EQ(body.size(), 67u);
  EXPECT_EQ(t.controls[0].text, L"说明");
  EXPECT_EQ(t.controls[0].style & (SS_TYPEMASK | WS_GROUP), DWORD(SS_CENTER | WS_GROUP));
  EXPECT_EQ(t.controls[1].text, body);
  EXPECT_EQ(t.controls[1].style & (SS_TYPEMASK | WS_GROUP), DWORD(SS_LEFT | WS_GROUP));
  EXPECT_EQ(t.controls[2].id, IDC_NOTICE_START);
  EXPECT_EQ(t.controls[2].text, L"开　始");
  EXPECT_EQ(t.controls[2].style & (BS_TYPEMASK | WS_TABSTOP), DWORD(BS_DEFPUSHBUTTON | WS_TABSTOP));
  EXPECT_EQ(t.controls[3].id, IDC_NOTICE_GIVE_UP);
  EXPECT_EQ(t.controls[3].text, L"放　弃");
  EXPECT_EQ(t.controls[3].style & (BS_TYPEMASK | WS_TABSTOP), DWORD(BS_PUSHBUTTON | WS_TABSTOP));
  EXPECT_EQ(t.controls[4].style & BS_TYPEMASK, DWORD(BS_GROUPBOX));
  const short boxes[5][4] = {{92, 17, 56, 13}, {28, 41, 184, 48}, {46, 96, 50, 14}, {146, 96, 50, 14}, {7, 3, 227, 116}};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(t.controls[i].x, boxes[i][0]);
    EXPECT_EQ(t.controls[i].y, boxes[i][1]);
    EXPECT_EQ(t.controls[i].cx, boxes[i][2]);
    EXPECT_EQ(t.controls[i].cy, boxes[i][3]);
  }
}

TEST_F(Shell, GiveUpEndsTheProcessWithCode1BeforeTheMainWindowAndTheUpdater) {
  PlaceUpdater(App(), 100);
  HWND notice = app.StartAndWaitForNotice(Install());
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(Text(Control(notice, IDC_NOTICE_GIVE_UP)), L"放　弃");
  ::Sleep(500);
  EXPECT_TRUE(UpdaterRuns(App()).empty()) << "the update check starts only after the notice";
  ASSERT_TRUE(Click(Control(notice, IDC_NOTICE_GIVE_UP)));
  bool mainShown = false;
  WaitUntil([&] {
    for (HWND w : TopLevelWindows(app.Pid())) mainShown |= Text(w) == kCaption;
    return !app.process().Running();
  }, 5000);
  ASSERT_TRUE(app.process().WaitForExit(1000));
  EXPECT_EQ(app.process().ExitCode(), 1u);
  EXPECT_FALSE(mainShown);
  EXPECT_TRUE(UpdaterRuns(App()).empty());
}

TEST_F(Shell, StartButtonAndEscapeBothContinueIntoTheMainDialog) {
  PlaceUpdater(App(), 7);
  const std::wstring program = Install();
  for (bool escape : {false, true}) {
    SCOPED_TRACE(escape ? "Esc" : "开　始");
    ::DeleteFileW((App() + L"\\ovupdate.log").c_str());
    HWND notice = app.StartAndWaitForNotice(program);
    ASSERT_NE(notice, nullptr);
    EXPECT_LE(CentreOffset(WindowRect(notice), WorkAreaAtPointer()), 2) << "centred on the pointer's monitor";
    // No main window is visible while the notice is up.
    for (HWND w : TopLevelWindows(app.Pid())) EXPECT_NE(Text(w), kCaption);
    if (escape) {
      ASSERT_TRUE(PressEscape(notice));
    } else {
      ASSERT_TRUE(Click(Control(notice, IDC_NOTICE_START)));
    }
    HWND main = WaitForWindow(app.Pid(), L"#32770", kCaption, 10000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(app.process().Running());
    EXPECT_TRUE(WaitUntil([&] { return UpdaterRuns(App()).size() == 1; }, 5000));
    if (!escape) Screenshot(L"main", main);
    RequestClose(main);  // the close box
    EXPECT_TRUE(app.process().WaitForExit(5000));
    app.End();
  }
}

// ---- the update check -------------------------------------------------------

TEST_F(Shell, UpdaterGetsTheCommandLineWithTheProgramFileNameAsNamed) {
  PlaceUpdater(App(), 0);
  for (const std::wstring name : {L"Purlo.exe", L"净化 工具 Copy.EXE"}) {
    SCOPED_TRACE(Narrow(name));
    const std::wstring program = Install(name);
    ::DeleteFileW((App() + L"\\ovupdate.log").c_str());
    ASSERT_TRUE(app.Start(program, kCaption));
    ASSERT_TRUE(WaitUntil([&] { return UpdaterEnded(App()) && !UpdaterRuns(App()).empty(); }, 5000));
    const auto runs = UpdaterRuns(App());
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0], kLinePrefix + name);
    app.End();
    ::DeleteFileW(program.c_str());
  }
  // Started by a path spelled in other case, the line still spells the file as it is named.
  Install(L"Purlo-Renamed.exe");
  ::DeleteFileW((App() + L"\\ovupdate.log").c_str());
  ASSERT_TRUE(app.Start(App() + L"\\purlo-renamed.EXE", kCaption));
  ASSERT_TRUE(WaitUntil([&] { return !UpdaterRuns(App()).empty(); }, 5000));
  EXPECT_EQ(UpdaterRuns(App())[0], kLinePrefix + L"Purlo-Renamed.exe");
}

TEST_F(Shell, Code100FlashesTheAboutButtonUntilAboutOpensThePageOnce) {
  PlaceUpdater(App(), 100, 1500);
  ASSERT_TRUE(app.Start(Install(), kCaption));
  HWND about = app.Control(IDC_ABOUT);
  ASSERT_NE(about, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return UpdaterEnded(App()); }, 10000));
  const DWORD ended = ::GetTickCount();
  ASSERT_TRUE(WaitUntil([&] { return Text(about) == kRestoredAboutText; }, 2000, 10));
  const DWORD firstTick = ::GetTickCount() - ended;
  EXPECT_LE(firstTick, 700u) << "timer 1 is armed when the updater ends and ticks every 500 ms";

  int flashSamples = 0, textSamples = 0;
  const auto changes = FlashChanges(2600, &flashSamples, &textSamples);
  EXPECT_GT(flashSamples, 5);
  EXPECT_GT(textSamples, 5);
  ASSERT_GE(changes.size(), 3u);
  for (size_t i = 1; i < changes.size(); ++i) {
    const DWORD gap = changes[i] - changes[i - 1];
    EXPECT_GE(gap, 350u);
    EXPECT_LE(gap, 700u);
  }
  // Both halves as pictures: the frame, then the text.
  ASSERT_TRUE(WaitUntil([&] { return WarmShare() > 50; }, 1500, 10));
  Screenshot(L"flash", app.Main());
  ASSERT_TRUE(WaitUntil([&] { return WarmShare() < 5; }, 1500, 10));
  Screenshot(L"text", app.Main());
  EXPECT_TRUE(OpenedAddresses().empty());

  HWND box = nullptr;
  ASSERT_TRUE(OpenAbout(&box));
  // The page was asked for before the About dialog showed; its handler writes a moment later.
  EXPECT_EQ(Text(about), kRestoredAboutText);
  EXPECT_TRUE(WaitUntil([] { return !OpenedAddresses().empty(); }, 3000));
  EXPECT_EQ(OpenedAddresses(), std::vector<std::wstring>{kPage});
  ASSERT_TRUE(CloseAbout(box));
  // No more flashing, the text stays.
  FlashChanges(1200, &flashSamples, &textSamples);
  EXPECT_EQ(flashSamples, 0);
  EXPECT_EQ(Text(about), kRestoredAboutText);
  ASSERT_TRUE(OpenAbout(&box));
  ASSERT_TRUE(CloseAbout(box));
  ::Sleep(300);
  EXPECT_EQ(OpenedAddresses().size(), 1u);
}

TEST_F(Shell, Code101OpensThePageOnceAtStartAndNeverFlashes) {
  PlaceUpdater(App(), 101);
  ASSERT_TRUE(app.Start(Install(), kCaption));
  ASSERT_TRUE(WaitUntil([&] { return !OpenedAddresses().empty(); }, 5000));
  int flashSamples = 0, textSamples = 0;
  FlashChanges(1500, &flashSamples, &textSamples);
  EXPECT_EQ(flashSamples, 0);
  EXPECT_EQ(Text(app.Control(IDC_ABOUT)), kTemplateAboutText);
  HWND box = nullptr;
  ASSERT_TRUE(OpenAbout(&box));
  ASSERT_TRUE(CloseAbout(box));
  ::Sleep(300);
  EXPECT_EQ(OpenedAddresses(), std::vector<std::wstring>{kPage});
}

TEST_F(Shell, OtherCodesAndNoUpdaterChangeNothing) {
  for (int code : {0, 99, 102, -1}) {
    SCOPED_TRACE(code);
    EmptyFolder(App());
    if (code >= 0) PlaceUpdater(App(), static_cast<unsigned>(code));
    ASSERT_TRUE(app.Start(Install(), kCaption));
    if (code >= 0) {
      ASSERT_TRUE(WaitUntil([&] { return UpdaterEnded(App()); }, 5000));
    }
    int flashSamples = 0, textSamples = 0;
    FlashChanges(1200, &flashSamples, &textSamples);
    EXPECT_EQ(flashSamples, 0);
    EXPECT_EQ(Text(app.Control(IDC_ABOUT)), kTemplateAboutText);
    EXPECT_TRUE(OpenedAddresses().empty());
    app.End();
  }
}

TEST_F(Shell, DecoyUpdatersInTheCurrentFolderAndOnPathNeverRun) {
  PlaceUpdater(folder / L"cwd", 101);
  PlaceUpdater(folder / L"onpath", 101);
  const std::wstring program = Install();
  std::wstring oldPath(32767, L'\0');
  oldPath.resize(::GetEnvironmentVariableW(L"PATH", &oldPath[0], 32767));
  ::SetEnvironmentVariableW(L"PATH", (folder / L"onpath;" + oldPath).c_str());
  const bool started = app.Start(program, kCaption, L"", 20000, folder / L"cwd");
  ::SetEnvironmentVariableW(L"PATH", oldPath.c_str());
  ASSERT_TRUE(started);
  ::Sleep(1500);
  EXPECT_TRUE(UpdaterRuns(folder / L"cwd").empty());
  EXPECT_TRUE(UpdaterRuns(folder / L"onpath").empty());
  EXPECT_TRUE(OpenedAddresses().empty());
}

TEST_F(Shell, APortableCopyInAUserFolderStartsNoUpdaterAndLoadsNoDllBesideIt) {
  const std::wstring portable = folder / L"Downloads\\Purlo.exe";
  CopyInto(kInstalled, portable);
  PlaceUpdater(folder / L"Downloads", 101);
  // Nor does it load a DLL planted beside it under a system DLL's name.
  CopyInto(std::wstring(kShellBin) + L"\\planted.dll", folder / L"Downloads\\userenv.dll");
  ASSERT_TRUE(app.Start(portable, kCaption));
  ::Sleep(1500);
  EXPECT_TRUE(UpdaterRuns(folder / L"Downloads").empty());
  EXPECT_TRUE(OpenedAddresses().empty());
  EXPECT_FALSE(Exists(folder / L"Downloads\\planted-dll-loaded"));
  app.End();
  // Installed, the same program with the same updater beside it does start it.
  PlaceUpdater(App(), 101);
  ASSERT_TRUE(app.Start(Install(), kCaption));
  EXPECT_TRUE(WaitUntil([&] { return !OpenedAddresses().empty(); }, 5000));
  EXPECT_EQ(UpdaterRuns(App()).size(), 1u);
}

// ---- the About dialog ---------------------------------------------------------

TEST_F(Shell, AboutTemplateHoldsTheControlsInOrder) {
  ResourceFile exe(kInstalled);
  ASSERT_TRUE(exe.Opened());
  const DialogTemplate t = exe.Dialog(IDD_ABOUT);
  ASSERT_TRUE(t.found);
  EXPECT_EQ(t.cx, 213);
  EXPECT_EQ(t.cy, 222);
  EXPECT_EQ(t.style & (WS_POPUP | DS_MODALFRAME | WS_SYSMENU), DWORD(WS_POPUP | DS_MODALFRAME | WS_SYSMENU));
  EXPECT_EQ(t.style & WS_CAPTION, 0u);
  EXPECT_EQ(t.font, L"MS Shell Dlg");
  EXPECT_EQ(t.pointSize, 8);
  struct Expected {
    int id;
    const wchar_t* cls;
    const wchar_t* text;
    short x, y, cx, cy;
  };
  const Expected expected[] = {
      {-1, L"Static", L"", 20, 12, 171, 79},
      {IDC_PRODUCT_LINE, L"Static", L"Purlo\n程序版本：V1.4", 17, 101, 179, 18},
      {-1, L"Static", nullptr, 17, 126, 185, 18},
      {-1, L"Static", L"技术支持信箱", 17, 152, 52, 8},
      {-1, L"Static", L"样本上报信箱", 17, 168, 52, 8},
      {-1, L"Static", L"Orvane网址", 17, 184, 52, 8},
      {IDC_SUPPORT_MAIL, L"Edit", L"", 72, 152, 124, 12},
      {IDC_SAMPLE_MAIL, L"Edit", L"", 72, 168, 124, 12},
      {IDC_WEB_SITE, L"Edit", L"", 72, 183, 124, 12},
      {IDC_ABOUT_OK, L"Button", L"确  定", 81, 204, 50, 14},
      {-1, L"Button", L"", 6, 90, 200, 111},
  };
  ASSERT_EQ(t.controls.size(), std::size(expected));
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const DialogControl& c = t.controls[i];
    SCOPED_TRACE(i);
    EXPECT_EQ(c.id, expected[i].id);
    EXPECT_EQ(win::ToUpper(c.className), win::ToUpper(expected[i].cls));  // class names ignore case
    if (expected[i].text) {
      EXPECT_EQ(c.text, expected[i].text);
    }
    EXPECT_EQ(c.x, expected[i].x);
    EXPECT_EQ(c.y, expected[i].y);
    EXPECT_EQ(c.cx, expected[i].cx);
    EXPECT_EQ(c.cy, expected[i].cy);
  }
  EXPECT_EQ(t.controls[0].textOrdinal, IDB_ABOUT);
  EXPECT_EQ(t.controls[0].style & SS_TYPEMASK, DWORD(SS_BITMAP));
  EXPECT_NE(t.controls[2].text.find(L'\n'), std::wstring::npos) << "two lines";
  for (int i : {1, 2}) EXPECT_EQ(t.controls[i].style & (SS_TYPEMASK | WS_GROUP), DWORD(SS_CENTER | WS_GROUP));
  for (int i : {3, 4, 5}) EXPECT_EQ(t.controls[i].style & (SS_TYPEMASK | WS_GROUP), DWORD(SS_LEFT | WS_GROUP));
  for (int i : {6, 7, 8}) {
    EXPECT_TRUE(t.controls[i].style & ES_READONLY);
    EXPECT_FALSE(t.controls[i].style & (WS_BORDER | WS_TABSTOP));
  }
  EXPECT_EQ(t.controls[9].style & (BS_TYPEMASK | WS_TABSTOP), DWORD(BS_DEFPUSHBUTTON | WS_TABSTOP));
  EXPECT_EQ(t.controls[10].style & BS_TYPEMASK, DWORD(BS_GROUPBOX));
  const BitmapInfo logo = exe.Bitmap(IDB_ABOUT);
  EXPECT_TRUE(logo.found && logo.loads);
  EXPECT_EQ(logo.width, 256);
  EXPECT_EQ(logo.height, 128);
  EXPECT_EQ(logo.bitCount, 32);
}

TEST_F(Shell, AboutFieldsAreBlueUnderlined12CellSongtiAndTheProductLineBold) {
  ASSERT_TRUE(app.Start(Install(), kCaption));
  HWND box = nullptr;
  ASSERT_TRUE(OpenAbout(&box));
  // The fonts arrive with the first paint.
  GdiProbe gdi(app.Pid());
  ASSERT_TRUE(gdi.Ready());
  LOGFONTW product = {};
  ASSERT_TRUE(WaitUntil(
      [&] { return gdi.ControlFont(Control(box, IDC_PRODUCT_LINE), &product) && product.lfWeight == 700; }, 5000));
  EXPECT_EQ(Text(Control(box, IDC_SUPPORT_MAIL)), L"support@example.com");
  EXPECT_EQ(Text(Control(box, IDC_SAMPLE_MAIL)), L"samples@example.com");
  EXPECT_EQ(Text(Control(box, IDC_WEB_SITE)), L"http://www.example.com");
  EXPECT_EQ(Text(Control(box, IDC_PRODUCT_LINE)), L"Purlo\n程序版本：V1.4");

  // The probe reads the other process's memory while it runs: a read taken
  // as a font object changes hands can be torn, so each control is read
  // until it settles on the face asked for (or the wait ends and the checks
  // below say what it holds).
  const int fields[] = {IDC_SUPPORT_MAIL, IDC_SAMPLE_MAIL, IDC_WEB_SITE, IDC_PRODUCT_LINE};
  for (int id : fields) {
    LOGFONTW settled = {};
    WaitUntil([&] { return gdi.ControlFont(Control(box, id), &settled) &&
                           std::wstring(settled.lfFaceName) == purlo::texts::kAboutFieldFont; }, 3000);
  }
  for (int id : fields) {
    SCOPED_TRACE(id);
    LOGFONTW font = {};
    ASSERT_TRUE(gdi.ControlFont(Control(box, id), &font));
    EXPECT_STREQ(font.lfFaceName, purlo::texts::kAboutFieldFont);
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(font.lfWidth, 0);
    EXPECT_EQ(font.lfWeight, id == IDC_PRODUCT_LINE ? 700 : 400);
    EXPECT_EQ(font.lfUnderline, id == IDC_PRODUCT_LINE ? 0 : 1);
    EXPECT_EQ(font.lfItalic, 0);
    EXPECT_EQ(font.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(font.lfQuality, CLEARTYPE_QUALITY);
  }
  // Blue text on the fields, and the underline: a run of blue pixels in one row.
  const Capture shot = CaptureClient(box);
  ASSERT_FALSE(shot.Empty());
  Screenshot(L"about", box);
  for (int id : {IDC_SUPPORT_MAIL, IDC_SAMPLE_MAIL, IDC_WEB_SITE}) {
    SCOPED_TRACE(id);
    const RECT field = RectIn(box, Control(box, id));
    const int blue = shot.Count(field, IsBlue);
    EXPECT_GT(blue, 40);
    int longestRun = 0;
    for (int y = field.top; y < field.bottom; ++y) {
      int run = 0;
      for (int x = field.left; x < field.right; ++x) {
        const uint32_t p = shot.At(x, y);
        run = IsBlue(p) ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
      }
    }
    EXPECT_GT(longestRun, 40) << "the underline";
  }
  // The product line is not blue.
  EXPECT_LT(shot.Count(RectIn(box, Control(box, IDC_PRODUCT_LINE)), IsBlue), 5);
  ASSERT_TRUE(CloseAbout(box));
}

// ---- high DPI ---------------------------------------------------------------

// HKCU\Control Panel\Desktop\LogPixels of the prefix: the DPI a program started
// afterwards sees. Put back as it was at the end, also when the test fails.
class LogPixels {
 public:
  explicit LogPixels(DWORD dpi) {
    ::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                      nullptr, &key_, nullptr);
    DWORD size = sizeof before_, type = 0;
    had_ = ::RegQueryValueExW(key_, kValue, nullptr, &type, reinterpret_cast<BYTE*>(&before_), &size) ==
               ERROR_SUCCESS && type == REG_DWORD;
    Set(dpi);
  }
  ~LogPixels() {
    if (had_) {
      Set(before_);
    } else {
      ::RegDeleteValueW(key_, kValue);
    }
    ::RegCloseKey(key_);
  }
  LogPixels(const LogPixels&) = delete;
  LogPixels& operator=(const LogPixels&) = delete;

 private:
  void Set(DWORD dpi) {
    ::RegSetValueExW(key_, kValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
  }
  static constexpr const wchar_t* kValue = L"LogPixels";
  HKEY key_ = nullptr;
  DWORD before_ = 96;
  bool had_ = false;
};

// A picture covers its frame when the pixels at the frame's far corners (and
// the middles of its far edges) are not the dialog's face colour.
::testing::AssertionResult CoversItsFrame(const Capture& frame) {
  if (frame.Empty()) return ::testing::AssertionFailure() << "nothing captured";
  const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
  const int w = frame.width, h = frame.height;
  const POINT corners[] = {{w - 1, h - 1}, {w - 1, 0}, {0, h - 1}, {w - 1, h / 2}, {w / 2, h - 1}};
  for (const POINT& p : corners) {
    const COLORREF c = frame.Color(p.x, p.y);
    if (std::abs(GetRValue(c) - GetRValue(face)) <= 6 && std::abs(GetGValue(c) - GetGValue(face)) <= 6 &&
        std::abs(GetBValue(c) - GetBValue(face)) <= 6) {
      return ::testing::AssertionFailure() << "face colour at (" << p.x << ", " << p.y << ") of " << w << " x " << h;
    }
  }
  return ::testing::AssertionSuccess();
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

HWND LogoOf(HWND about) {
  for (HWND child : Children(about)) {
    if ((Style(child) & SS_TYPEMASK) == SS_BITMAP) return child;
  }
  return nullptr;
}

// The work area of the monitor that holds most of the window.
RECT WorkAreaOf(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

::testing::AssertionResult Inside(const RECT& window, const RECT& work) {
  if (window.left >= work.left && window.top >= work.top && window.right <= work.right && window.bottom <= work.bottom) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "window (" << window.left << ", " << window.top << ")-(" << window.right << ", "
                                       << window.bottom << ") outside the work area (" << work.left << ", " << work.top
                                       << ")-(" << work.right << ", " << work.bottom << ")";
}

// At 96, 120, 144 and 192 DPI: the window grows with its font, the banner
// animation and the still banner fill the frame above the tree, About opens
// centred over the main window with its logo filling its frame and the field
// fonts scaled from their 12-pixel cell at 96 DPI. At 192 DPI the template is
// wider than the 1280 x 1024 screen: the window opens at a lower step, inside
// the work area, its banners filling their smaller frames.
TEST_F(Shell, AtEveryDpiTheBannersFillTheirFramesAndAboutScales) {
  const std::wstring program = Install();
  int previousWidth = 0;
  for (DWORD dpi : {96u, 120u, 144u, 192u}) {
    SCOPED_TRACE(dpi);
    LogPixels setting(dpi);
    ASSERT_TRUE(app.Start(program, kCaption));
    HWND animation = app.Control(IDC_BANNER_ANIMATION), still = app.Control(IDC_BANNER_STILL),
         tree = app.Control(IDC_CATEGORY_TREE);
    EXPECT_TRUE(Inside(WindowRect(app.Main()), WorkAreaOf(app.Main())));
    // The frame: the client area's width, down to the tree.
    const RECT client = ClientRectOnScreen(app.Main());
    const RECT frame = {client.left, client.top, client.right, WindowRect(tree).top};
    EXPECT_GT(Width(client), previousWidth) << "the window grows with the DPI";
    previousWidth = Width(client);
    // Its first frame, once the frames are decoded.
    Capture playing;
    ASSERT_TRUE(WaitUntil([&] {
      playing = CaptureScreen(frame);
      return !playing.Empty() && playing.Color(playing.width / 2, playing.height / 2) != ::GetSysColor(COLOR_BTNFACE);
    }, 3000, 10));
    EXPECT_TRUE(Visible(animation) && !Visible(still)) << "captured while the animation played";
    const RECT played = WindowRect(animation);
    EXPECT_TRUE(EqualRect(&played, &frame)) << Width(played) << " x " << Height(played) << " in a frame of "
                                            << Width(frame) << " x " << Height(frame);
    EXPECT_TRUE(CoversItsFrame(playing)) << "the animation";
    ASSERT_TRUE(WaitUntil([&] { return Visible(still) && !Visible(animation); }, 5000));
    ASSERT_TRUE(WaitUntilStill(still));
    const RECT shown = WindowRect(still);
    EXPECT_TRUE(EqualRect(&shown, &frame)) << Width(shown) << " x " << Height(shown);
    EXPECT_TRUE(CoversItsFrame(CaptureScreen(frame))) << "the still banner";
    // The tree scrolls down to its last item, the last of today's twelve.
    ::SendMessageW(tree, WM_VSCROLL, SB_BOTTOM, 0);
    const std::vector<TreeItem> items = TreeItems(tree);
    ASSERT_FALSE(items.empty());
    RECT last{}, treeClient{};
    ::GetClientRect(tree, &treeClient);
    EXPECT_TRUE(WaitUntil([&] {
      return TreeItemRect(tree, items.back().handle, true, &last) && last.bottom <= treeClient.bottom;
    }, 5000)) << "the last item is not in view";
    ASSERT_TRUE(WaitUntilStill(tree, 200, 5000));
    if (dpi != 120) Screenshot(L"dpi" + std::to_wstring(dpi));
    if (dpi == 192) {
      // Every control still inside the client area, none cut off.
      for (HWND child : Children(app.Main())) {
        const RECT r = WindowRect(child);
        EXPECT_TRUE(Inside(r, client)) << "control " << ::GetDlgCtrlID(child);
      }
    }

    HWND box = nullptr;
    ASSERT_TRUE(OpenAbout(&box));
    EXPECT_LE(CentreOffset(WindowRect(box), WindowRect(app.Main())), 2) << "centred over the main window";
    GdiProbe gdi(app.Pid());
    ASSERT_TRUE(gdi.Ready());
    LOGFONTW product = {};
    ASSERT_TRUE(WaitUntil(
        [&] { return gdi.ControlFont(Control(box, IDC_PRODUCT_LINE), &product) && product.lfWeight == 700; }, 5000));
    for (int id : {IDC_SUPPORT_MAIL, IDC_SAMPLE_MAIL, IDC_WEB_SITE, IDC_PRODUCT_LINE}) {
      LOGFONTW font = {};
      ASSERT_TRUE(gdi.ControlFont(Control(box, id), &font));
      EXPECT_EQ(font.lfHeight, ::MulDiv(12, dpi, 96)) << id;
    }
    // The logo's frame is 171 x 79 of the dialog's 213 x 222 dialog units; the
    // group box below it covers its lowest dialog unit.
    HWND logo = LogoOf(box);
    ASSERT_NE(logo, nullptr);
    const RECT aboutClient = ClientRectOnScreen(box), logoRect = WindowRect(logo);
    EXPECT_NEAR(Width(logoRect), Width(aboutClient) * 171 / 213, 3);
    EXPECT_NEAR(Height(logoRect), Height(aboutClient) * 79 / 222, 3);
    const RECT groupBox = WindowRect(Children(box).back());
    ASSERT_TRUE(WaitUntilStill(box));
    const RECT shownLogo = {logoRect.left, logoRect.top, logoRect.right, std::min(logoRect.bottom, groupBox.top)};
    EXPECT_TRUE(CoversItsFrame(CaptureScreen(shownLogo))) << "the logo";
    if (dpi != 120) Screenshot(L"about-dpi" + std::to_wstring(dpi), box);
    ASSERT_TRUE(CloseAbout(box));
    if (dpi == 96) {
      // Moved to a monitor of 144 DPI: the window takes the rectangle Windows
      // suggests and draws its still banner anew for its frame.
      const RECT before = WindowRect(app.Main());
      const RECT suggested = {before.left - 40, before.top - 30, before.right + 60, before.bottom + 50};
      ASSERT_TRUE(SendDpiChanged(app.Main(), 144, suggested));
      const RECT after = WindowRect(app.Main());
      EXPECT_TRUE(EqualRect(&after, &suggested)) << after.left << ", " << after.top << ", " << after.right << ", "
                                                 << after.bottom;
      ASSERT_TRUE(WaitUntilStill(still));
      EXPECT_TRUE(CoversItsFrame(CaptureClient(still))) << "the still banner after the DPI change";
      // Then to one of 192 DPI, the suggested rectangle wider and taller than
      // the screen and running off its bottom right: the window stays inside.
      const RECT work = WorkAreaOf(app.Main());
      const RECT tooBig = {work.right - 300, work.bottom - 200, work.right - 300 + Width(work) + 200,
                           work.bottom - 200 + Height(work) / 2 * 3};
      ASSERT_TRUE(SendDpiChanged(app.Main(), 192, tooBig));
      EXPECT_TRUE(Inside(WindowRect(app.Main()), work));
    }
    app.End();
  }
}

TEST_F(Shell, OpeningAndClosingAbout50TimesLeaksNoGdiObjects) {
  // The probe counts for real: ten fonts of this process show as ten more.
  {
    GdiProbe self(::GetCurrentProcessId());
    ASSERT_TRUE(self.Ready());
    const long before = self.Objects();
    HFONT fonts[10];
    for (HFONT& f : fonts) f = ::CreateFontW(12, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, L"x");
    EXPECT_EQ(self.Objects(), before + 10) << self.Method();
    for (HFONT f : fonts) ::DeleteObject(f);
    EXPECT_EQ(self.Objects(), before);
  }
  ASSERT_TRUE(app.Start(Install(), kCaption));
  // Counted at a settled moment: after the banner's one swap, about 1.7 s in.
  ASSERT_TRUE(WaitUntil(
      [&] { return Visible(app.Control(IDC_BANNER_STILL)) && !Visible(app.Control(IDC_BANNER_ANIMATION)); }, 10000));
  HWND box = nullptr;
  ASSERT_TRUE(OpenAbout(&box));  // first use loads what stays loaded
  WaitUntilStill(box);             // painted, with its fonts and picture
  ASSERT_TRUE(CloseAbout(box));
  GdiProbe gdi(app.Pid());
  ASSERT_TRUE(gdi.Ready());
  const long before = gdi.Objects();
  const std::string typesBefore = gdi.Histogram();
  ASSERT_GT(before, 0);
  for (int i = 0; i < kAboutCycles; ++i) {
    SCOPED_TRACE(i);
    ASSERT_TRUE(OpenAbout(&box));
    LOGFONTW font = {};
    ASSERT_TRUE(
        WaitUntil([&] { return gdi.ControlFont(Control(box, IDC_SUPPORT_MAIL), &font) && font.lfUnderline; }, 3000))
        << "painted with its fonts";
    ASSERT_TRUE(CloseAbout(box));
  }
  WaitUntilSteady([&] { return gdi.Objects(); }, 200);  // what the last box held is freed
  EXPECT_EQ(gdi.Objects(), before) << gdi.Method() << "; by type before: " << typesBefore << "after: " << gdi.Histogram();
}

}  // namespace

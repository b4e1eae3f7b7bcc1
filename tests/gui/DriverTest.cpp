// The GUI driver against a real dialog program in a real window: controls read
// back, clicks, keys, a message box answered, a tree of another process read and
// ticked, pixels captured.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "tests/gui/DriverTargetIds.h"
#include "tests/support/CliRun.h"
#include "tests/support/Fixtures.h"
#include "tests/support/GuiTest.h"

using namespace testing_support;

namespace {

const wchar_t kTarget[] = L"C:\\purlo\\driver-target.exe";
const wchar_t kCaption[] = L"驱动测试";

class Driver : public GuiTest {
 protected:
  void StartTarget(const std::wstring& arguments = L"") {
    ASSERT_TRUE(app.Start(kTarget, kCaption, arguments)) << "no window " << Narrow(kCaption);
  }
  std::wstring Result() { return Text(app.Control(IDC_RESULT)); }
};

TEST_F(Driver, ReadsControlsAsTheProgramMadeThem) {
  StartTarget();
  HWND dialog = app.Main();
  EXPECT_FALSE(app.NoticeDismissed());
  EXPECT_EQ(ClassName(dialog), L"#32770");
  EXPECT_TRUE(ExStyle(dialog) & WS_EX_APPWINDOW);

  EXPECT_EQ(ClassName(app.Control(IDC_TREE)), L"SysTreeView32");
  EXPECT_TRUE(Style(app.Control(IDC_TREE)) & TVS_CHECKBOXES);
  EXPECT_EQ(ClassName(app.Control(IDC_RESULT)), L"Edit");
  EXPECT_EQ(Result(), L"就绪");
  EXPECT_EQ(Text(app.Control(IDC_ASK)), L"询问");
  EXPECT_EQ(Text(app.Control(IDOK)), L"确定");
  EXPECT_EQ(Style(app.Control(IDOK)) & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
  EXPECT_TRUE(Enabled(app.Control(IDC_ASK)));
  EXPECT_FALSE(Enabled(app.Control(IDC_DISABLED)));
  EXPECT_TRUE(Visible(app.Control(IDC_ASK)));
  EXPECT_EQ(CheckState(app.Control(IDC_OPTION)), BST_UNCHECKED);

  // Children come in template order.
  std::vector<int> ids;
  for (HWND child : Children(dialog)) ids.push_back(ControlId(child));
  const std::vector<int> expected = {IDC_TREE, IDC_RESULT, IDC_ASK, IDC_COUNT, IDC_OPTION, IDC_DISABLED,
                                     IDC_RED, IDC_FLASH, -1, IDOK, IDCANCEL};
  std::vector<int> normalised;
  for (int id : ids) normalised.push_back(id == 0xFFFF ? -1 : id);
  EXPECT_EQ(normalised, expected);

  // The rectangle of a control lies inside its dialog's client area.
  const RECT client = ClientRectOnScreen(dialog), ask = WindowRect(app.Control(IDC_ASK));
  EXPECT_GT(ask.right - ask.left, 0);
  EXPECT_GE(ask.left, client.left);
  EXPECT_LE(ask.bottom, client.bottom);

  const double ms = RoundTripMs(dialog);
  EXPECT_GE(ms, 0.0);
  EXPECT_LT(ms, 1000.0);
  const std::vector<double> samples = SampleRoundTrips(dialog, 20, 200);
  EXPECT_GE(samples.size(), 5u);
  EXPECT_LE(samples.size(), 11u);
  EXPECT_GE(Percentile(samples, 0), 0.0) << "a round trip timed out";
  EXPECT_LT(Percentile(samples, 99), 1000.0);
  EXPECT_EQ(Percentile({3, 1, 2, 4}, 50), 2.0);
  EXPECT_GT(Percentile({3, 1, -1, 4}, 100), 4.0) << "a timeout ranks above every answer";
  EXPECT_GT(app.process().WorkingSet(), 0u);
  EXPECT_GE(app.process().PeakWorkingSet(), app.process().WorkingSet());
}

TEST_F(Driver, ReadsAndTicksTheTreeOfAnotherProcess) {
  StartTarget();
  HWND tree = app.Control(IDC_TREE);
  std::vector<TreeItem> items = TreeItems(tree);
  ASSERT_EQ(items.size(), 5u);
  const wchar_t* texts[] = {L"临时文件", L"预读文件", L"回收站", L"网页缓存", L"历史记录"};
  const int checks[] = {1, 0, 1, 0, 0};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].text, texts[i]) << i;
    EXPECT_EQ(items[i].checkState, checks[i]) << i;
  }

  // The program counts what a message set and what a mouse click toggled.
  ASSERT_TRUE(SetTreeCheck(tree, items[1].handle, true));
  EXPECT_EQ(ReadTreeItem(tree, items[1].handle).checkState, 1);
  ASSERT_TRUE(Click(app.Control(IDC_COUNT)));
  EXPECT_TRUE(WaitForText(app.Control(IDC_RESULT), L"勾选3")) << Narrow(Result());

  ASSERT_TRUE(ClickTreeCheck(tree, items[0].handle));
  EXPECT_EQ(ReadTreeItem(tree, items[0].handle).checkState, 0);
  ASSERT_TRUE(ClickTreeCheck(tree, items[4].handle));
  EXPECT_EQ(ReadTreeItem(tree, items[4].handle).checkState, 1);
  ASSERT_TRUE(Click(app.Control(IDC_COUNT)));
  EXPECT_TRUE(WaitForText(app.Control(IDC_RESULT), L"勾选3")) << Narrow(Result());
  ASSERT_TRUE(ClickTreeCheck(tree, items[4].handle));
  ASSERT_TRUE(Click(app.Control(IDC_COUNT)));
  EXPECT_TRUE(WaitForText(app.Control(IDC_RESULT), L"勾选2")) << Narrow(Result());

  // The label of an item, found through its rectangle in a capture of the dialog.
  RECT label = {};
  ASSERT_TRUE(TreeItemRect(tree, items[2].handle, true, &label));
  EXPECT_GT(label.bottom, label.top);
  ASSERT_TRUE(WaitUntilStill(app.Main()));
  const Capture shot = CaptureClient(app.Main());
  const RECT inDialog = MapRectIn(app.Main(), tree, label);
  auto ink = [](uint32_t p) { return Red(p) < 160 && Green(p) < 160 && Blue(p) < 160; };
  EXPECT_GT(shot.Count(inDialog, ink), 20) << "no text drawn in the label of " << Narrow(items[2].text);
  const RECT below = {inDialog.left, inDialog.bottom + 40, inDialog.right, inDialog.bottom + 50};
  EXPECT_EQ(shot.Count(below, ink), 0) << "text below the last item";
}

TEST_F(Driver, AClickThatOpensAMessageBoxReturnsAndTheBoxIsAnswered) {
  StartTarget();
  ASSERT_TRUE(Click(app.Control(IDC_ASK)));
  MessageBoxInfo box = WaitForMessageBox(app.Pid(), 5000, app.Main());
  ASSERT_TRUE(box.Found());
  EXPECT_EQ(box.caption, L"提问");
  EXPECT_EQ(box.text, L"要继续吗?");
  EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
  EXPECT_TRUE(box.hasIcon);
  // The dialog's thread runs the box's loop and still answers.
  EXPECT_GE(RoundTripMs(app.Main()), 0.0);
  EXPECT_FALSE(AnswerMessageBox(box, IDOK)) << "a box without OK cannot be answered OK";
  ASSERT_TRUE(AnswerMessageBox(box, IDNO));
  EXPECT_TRUE(WaitUntil([&] { return Result() == L"否"; })) << Narrow(Result());

  ASSERT_TRUE(Click(app.Control(IDC_ASK)));
  box = WaitForMessageBox(app.Pid());
  ASSERT_TRUE(box.Found());
  ASSERT_TRUE(AnswerMessageBox(box, IDYES));
  EXPECT_TRUE(WaitUntil([&] { return Result() == L"是"; })) << Narrow(Result());
  EXPECT_TRUE(NoMessageBoxFor(app.Pid(), 300));
}

TEST_F(Driver, DisabledButtonsCannotBePressed) {
  StartTarget();
  EXPECT_FALSE(Click(app.Control(IDC_DISABLED)));
  EXPECT_FALSE(MouseClick(app.Control(IDC_DISABLED)));
  ::Sleep(200);
  EXPECT_EQ(Result(), L"就绪");
}

TEST_F(Driver, RealMouseInputReachesTheControlUnderThePointer) {
  StartTarget();
  HWND option = app.Control(IDC_OPTION);
  ASSERT_TRUE(MouseClick(option));
  EXPECT_TRUE(WaitUntil([&] { return CheckState(option) == BST_CHECKED; }));
  ASSERT_TRUE(MouseClick(app.Control(IDC_COUNT)));
  EXPECT_TRUE(WaitForText(app.Control(IDC_RESULT), L"勾选2")) << Narrow(Result());
}

TEST_F(Driver, EnterPressesTheDefaultButtonAndEscCancels) {
  StartTarget();
  ASSERT_TRUE(PressEnter(app.Main()));
  ASSERT_TRUE(app.process().WaitForExit(5000));
  EXPECT_EQ(app.process().ExitCode(), static_cast<DWORD>(TARGET_RESULT_OK));

  StartTarget();
  ASSERT_TRUE(PressEscape(app.Main()));
  ASSERT_TRUE(app.process().WaitForExit(5000));
  EXPECT_EQ(app.process().ExitCode(), static_cast<DWORD>(TARGET_RESULT_CANCEL));

  // The same through the keyboard itself.
  StartTarget();
  ASSERT_TRUE(TypeKey(app.Main(), VK_ESCAPE));
  ASSERT_TRUE(app.process().WaitForExit(5000));
  EXPECT_EQ(app.process().ExitCode(), static_cast<DWORD>(TARGET_RESULT_CANCEL));
}

TEST_F(Driver, TheStartUpNoticeIsPassedOrGivenUp) {
  StartTarget(L"--notice");
  EXPECT_TRUE(app.NoticeDismissed());
  EXPECT_EQ(FindNotice(app.Pid()), nullptr);

  HWND notice = app.StartAndWaitForNotice(kTarget, L"--notice");
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(WaitForWindow(app.Pid(), L"#32770", kCaption, 300), nullptr) << "main window before the notice";
  ASSERT_TRUE(Click(::GetDlgItem(notice, IDC_NOTICE_GIVE_UP)));
  ASSERT_TRUE(app.process().WaitForExit(5000));
  EXPECT_EQ(app.process().ExitCode(), 1u);
}

TEST_F(Driver, CapturesWhatTheScreenShows) {
  StartTarget();
  HWND dialog = app.Main();
  ASSERT_TRUE(WaitUntilStill(dialog));
  Capture shot = CaptureClient(dialog);
  ASSERT_FALSE(shot.Empty());
  const RECT client = ClientRectOnScreen(dialog);
  EXPECT_EQ(shot.width, client.right - client.left);

  // The static the program paints red, all of it.
  const RECT red = RectIn(dialog, app.Control(IDC_RED));
  const int area = (red.right - red.left) * (red.bottom - red.top);
  ASSERT_GT(area, 0);
  EXPECT_EQ(shot.CountColor(red, RGB(255, 0, 0)), area);
  EXPECT_EQ(shot.Color(red.left + 2, red.top + 2), RGB(255, 0, 0));
  // Around it the dialog's face, not red.
  EXPECT_NE(shot.Color(red.left - 3, red.top + 2), RGB(255, 0, 0));

  // The flash frame IDB_UPGRADE1 shows: yellow characters on red.
  const RECT flash = RectIn(dialog, app.Control(IDC_FLASH));
  EXPECT_EQ(flash.right - flash.left, 63);
  EXPECT_EQ(flash.bottom - flash.top, 21);
  auto reddish = [](uint32_t p) { return Red(p) > 150 && Green(p) < 90 && Blue(p) < 90; };
  auto yellow = [](uint32_t p) { return Red(p) > 200 && Green(p) > 180 && Blue(p) < 150; };
  EXPECT_GT(shot.Count(flash, reddish), 63 * 21 / 4);
  EXPECT_GT(shot.Count(flash, yellow), 40);

  const std::wstring png = Screenshot();
  ASSERT_FALSE(png.empty());
  const std::string bytes = ReadAll(png);
  ASSERT_GT(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  const std::wstring bmp = ScreenshotFolder() + L"\\Driver.CapturesWhatTheScreenShows.bmp";
  ASSERT_TRUE(shot.SaveBmp(bmp));
  EXPECT_EQ(ReadAll(bmp).substr(0, 2), "BM");
}

}  // namespace

// The main dialog as it opens, its painting, the selection commands and the
// keyboard: the real Purlo.exe under Xvfb, driven and read from this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "engine/core/Catalogue.h"
#include "tests/dialog/PurloWindow.h"
#include "tests/support/CliRun.h"
#include "ui/Texts.h"

using namespace testing_support;
namespace texts = purlo::texts;
using purlo::JunkCategory;

namespace {

bool IsRed(uint32_t rgb) { return Red(rgb) > 180 && Green(rgb) < 90 && Blue(rgb) < 90; }
bool IsDark(uint32_t rgb) { return Red(rgb) < 90 && Green(rgb) < 90 && Blue(rgb) < 90; }

std::vector<bool> RecommendedTicks() {
  std::vector<bool> ticks;
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) ticks.push_back(info.recommended);
  return ticks;
}

HTREEITEM ItemAt(HWND tree, JunkCategory category) { return TreeItems(tree).at(static_cast<int>(category)).handle; }

RECT LabelRect(HWND tree, JunkCategory category) {
  RECT rect{};
  TreeItemRect(tree, ItemAt(tree, category), true, &rect);
  return rect;
}

// The tree repaints a moment after a change of focus, selection or run, later
// on a loaded machine: it is read once it shows `shown` (or after 10 s, as it is).
template <typename Shown>
Capture CaptureWhen(HWND tree, Shown shown) {
  Capture capture;
  WaitUntil([&] { return shown(capture = CaptureClient(tree)); }, 10000);
  return capture;
}

class MainDialog : public GuiTest {
 protected:
  void Open() {
    // Away from where the window opens: a pointer left over a tree item by an
    // earlier test would draw that item hot.
    ::SetCursorPos(0, 0);
    ASSERT_TRUE(app.Start(kPurloExe, L"Purlo Beta"));
    tree = app.Control(IDC_CATEGORY_TREE);
    ASSERT_NE(tree, nullptr);
    ASSERT_EQ(TreeItems(tree).size(), static_cast<size_t>(purlo::kCategoryCount));
    // The window shows before the tree has painted, more so while the banner
    // plays (and longer on a loaded machine): first its labels' text (most
    // labels dark; one may be red, selected or under the pointer), then no change.
    std::vector<RECT> labels;
    // Only the items in view: the tree scrolls to the rest.
    RECT client{};
    ::GetClientRect(tree, &client);
    for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
      RECT label{};
      if (TreeItemRect(tree, ItemAt(tree, info.id), true, &label) && label.top >= 0 && label.bottom <= client.bottom) {
        labels.push_back(label);
      }
    }
    ASSERT_GE(labels.size(), 10u);
    const auto painted = [&] {
      const Capture c = CaptureClient(tree);
      return std::count_if(labels.begin(), labels.end(), [&](const RECT& r) { return c.Count(r, IsDark) > 20; }) >=
             static_cast<long>(labels.size()) - 4;  // as many as before the tree scrolled
    };
    ASSERT_TRUE(WaitUntil(painted, 15000)) << "the tree was not painted";
    ASSERT_TRUE(WaitUntilStill(tree, 200, 15000));
  }
  HWND tree = nullptr;
};

}  // namespace

TEST_F(MainDialog, OpensWithTheCatalogueTheRecommendedFiveAndTheWelcome) {
  Open();
  std::vector<TreeItem> items = TreeItems(tree);
  for (int i = 0; i < purlo::kCategoryCount; ++i) {
    const purlo::CategoryInfo& info = purlo::Catalogue()[i];
    EXPECT_EQ(items[i].text, info.startupLabel) << i;
    EXPECT_EQ(items[i].checkState, info.recommended ? 1 : 0) << Narrow(info.identifier);
  }
  EXPECT_EQ(CheckState(app.Control(IDC_RECOMMENDED)), BST_CHECKED);
  EXPECT_EQ(CheckState(app.Control(IDC_SELECT_ALL)), BST_UNCHECKED);
  EXPECT_EQ(CheckState(app.Control(IDC_INVERT)), BST_UNCHECKED);
  EXPECT_EQ(Text(app.Control(IDC_START_SCAN)), texts::kStartScan);
  EXPECT_TRUE(Enabled(app.Control(IDC_START_SCAN)));
  EXPECT_EQ(Text(app.Control(IDC_SWEEP_NOW)), texts::kSweepNow);
  EXPECT_FALSE(Enabled(app.Control(IDC_SWEEP_NOW)));
  EXPECT_EQ(Text(app.Control(IDC_STATUS)), texts::kWelcome);
  EXPECT_EQ(Text(app.Control(IDC_ABOUT)), texts::kAboutInTemplate);
  EXPECT_EQ(FocusedWindow(app.Main()), app.Control(IDC_START_SCAN));
  EXPECT_LE(CentreOffset(WindowRect(app.Main()), WorkAreaAtPointer()), 2) << "centred on the pointer's monitor";
  const DWORD treeStyle = Style(tree);
  EXPECT_EQ(treeStyle & 0x307u, 0x307u) << std::hex << treeStyle;
  // The still banner takes over from the animation once, after 1667 ms.
  EXPECT_TRUE(WaitUntil([&] { return Visible(app.Control(IDC_BANNER_STILL)); }, 5000));
  EXPECT_TRUE(WaitUntil([&] { return !Visible(app.Control(IDC_BANNER_ANIMATION)); }, 1000));
  Screenshot(L"start");
}

// The DownloadedPrograms label is red until a run starts; a coloured item
// selected in the focused tree shows the plain highlight, and its own colour
// once the focus has gone elsewhere.
TEST_F(MainDialog, DownloadedProgramsIsRedUntilAScanAndSelectionFollowsTheFocusRule) {
  Open();
  const RECT red = LabelRect(tree, JunkCategory::DownloadedPrograms);
  const RECT other = LabelRect(tree, JunkCategory::IeCookies);
  Capture start = CaptureClient(tree);
  ASSERT_FALSE(start.Empty());
  EXPECT_GT(start.Count(red, IsRed), 20);
  EXPECT_EQ(start.Count(other, IsRed), 0);
  EXPECT_GT(start.Count(other, IsDark), 20);

  const POINT onLabel{(red.left + red.right) / 2, (red.top + red.bottom) / 2};
  ASSERT_TRUE(MouseClickAt(tree, onLabel));
  ASSERT_TRUE(WaitUntil([&] { return TreeSelection(tree) == ItemAt(tree, JunkCategory::DownloadedPrograms); }));
  ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(app.Main()) == tree; }));
  const COLORREF highlight = ::GetSysColor(COLOR_HIGHLIGHT);
  const int area = (red.right - red.left) * (red.bottom - red.top);
  Capture focused = CaptureWhen(tree, [&](const Capture& c) { return c.CountColor(red, highlight, 8) > area / 3; });
  Screenshot(L"selected-focused");
  EXPECT_EQ(focused.Count(red, IsRed), 0) << "a focused selection is drawn as the tree draws it";
  EXPECT_GT(focused.CountColor(red, highlight, 8), area / 3);

  ASSERT_TRUE(MouseClick(app.Control(IDC_STATUS)));
  ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(app.Main()) == app.Control(IDC_STATUS); }));
  Capture unfocused = CaptureWhen(tree, [&](const Capture& c) { return c.Count(red, IsRed) > 20; });
  Screenshot(L"selected-unfocused");
  EXPECT_GT(unfocused.Count(red, IsRed), 20) << "without the focus the label shows its own colour";
  EXPECT_LT(unfocused.CountColor(red, highlight, 8), area / 10);

  ASSERT_TRUE(Click(app.Control(IDC_START_SCAN)));
  ASSERT_TRUE(WaitForText(app.Control(IDC_START_SCAN), texts::kRescan, kRunTimeoutMs));
  const RECT bare = LabelRect(tree, JunkCategory::DownloadedPrograms);
  Capture scanned =
      CaptureWhen(tree, [&](const Capture& c) { return c.Count(bare, IsRed) == 0 && c.Count(bare, IsDark) > 20; });
  Screenshot(L"after-scan");
  EXPECT_EQ(scanned.Count(bare, IsRed), 0);
  EXPECT_GT(scanned.Count(bare, IsDark), 20);
}

TEST_F(MainDialog, SelectionCommandsFollowTheirTable) {
  Open();
  const std::vector<std::wstring> labels = Labels(tree);
  const std::vector<bool> recommended = RecommendedTicks();
  std::vector<bool> all(purlo::kCategoryCount, true), inverted;
  for (bool r : recommended) inverted.push_back(!r);

  ASSERT_TRUE(Click(app.Control(IDC_SELECT_ALL)));
  EXPECT_TRUE(WaitUntil([&] { return Ticks(tree) == all; }));
  EXPECT_EQ(CheckState(app.Control(IDC_SELECT_ALL)), BST_CHECKED);
  EXPECT_EQ(CheckState(app.Control(IDC_RECOMMENDED)), BST_UNCHECKED);
  ASSERT_TRUE(Click(app.Control(IDC_SELECT_ALL)));
  ::Sleep(200);
  EXPECT_EQ(Ticks(tree), all) << "全选 on a full selection keeps it";

  ASSERT_TRUE(Click(app.Control(IDC_RECOMMENDED)));
  EXPECT_TRUE(WaitUntil([&] { return Ticks(tree) == recommended; }));

  ASSERT_TRUE(Click(app.Control(IDC_INVERT)));
  EXPECT_TRUE(WaitUntil([&] { return Ticks(tree) == inverted; }));
  EXPECT_EQ(CheckState(app.Control(IDC_INVERT)), BST_CHECKED);
  ASSERT_TRUE(Click(app.Control(IDC_INVERT)));
  EXPECT_TRUE(WaitUntil([&] { return Ticks(tree) == recommended; })) << "反选 twice gives back the ticks";

  // A tick by hand leaves the radio marker alone.
  ASSERT_TRUE(Click(app.Control(IDC_RECOMMENDED)));
  ASSERT_TRUE(WaitUntil([&] { return Ticks(tree) == recommended; }));
  ASSERT_TRUE(ClickTreeCheck(tree, ItemAt(tree, JunkCategory::IeCookies)));
  EXPECT_TRUE(WaitUntil([&] { return ReadTreeItem(tree, ItemAt(tree, JunkCategory::IeCookies)).checkState == 1; }));
  EXPECT_EQ(CheckState(app.Control(IDC_RECOMMENDED)), BST_CHECKED);

  // Nothing but ticks changed.
  EXPECT_EQ(Labels(tree), labels);
  EXPECT_EQ(Text(app.Control(IDC_STATUS)), texts::kWelcome);
  EXPECT_EQ(Text(app.Control(IDC_START_SCAN)), texts::kStartScan);
  EXPECT_FALSE(Enabled(app.Control(IDC_SWEEP_NOW)));
  EXPECT_TRUE(NoMessageBoxFor(app.Pid(), 300));
}

TEST_F(MainDialog, EnterPressesStartScanAndEscCloses) {
  Open();
  // Nothing ticked: untick the five by hand.
  for (const purlo::CategoryInfo& info : purlo::Catalogue()) {
    if (info.recommended) {
      ASSERT_TRUE(ClickTreeCheck(tree, ItemAt(tree, info.id)));
    }
  }
  ASSERT_TRUE(WaitUntil([&] { return Ticks(tree) == std::vector<bool>(purlo::kCategoryCount, false); }));
  // The focus is in the tree; Enter goes to the default button.
  ASSERT_EQ(FocusedWindow(app.Main()), tree);
  ASSERT_TRUE(PressEnter(app.Main()));
  MessageBoxInfo box = WaitForMessageBox(app.Pid());
  ASSERT_TRUE(box.Found());
  EXPECT_EQ(box.text, texts::kTickToScan);
  EXPECT_EQ(box.caption, texts::kPrompt);
  EXPECT_TRUE(box.hasIcon);
  EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
  ASSERT_TRUE(AnswerMessageBox(box, IDOK));
  EXPECT_EQ(Text(app.Control(IDC_START_SCAN)), texts::kStartScan);

  ASSERT_TRUE(Click(app.Control(IDC_RECOMMENDED)));
  ASSERT_TRUE(MouseClickAt(tree, POINT{200, 5}));
  ASSERT_TRUE(WaitUntil([&] { return FocusedWindow(app.Main()) == tree; }));
  ASSERT_TRUE(PressEnter(app.Main()));
  EXPECT_TRUE(WaitUntil([&] { return Text(app.Control(IDC_START_SCAN)) != texts::kStartScan; }, 5000));
  EXPECT_TRUE(WaitForText(app.Control(IDC_START_SCAN), texts::kRescan, kRunTimeoutMs));

  ASSERT_TRUE(PressEscape(app.Main()));
  EXPECT_TRUE(app.process().WaitForExit(5000));
}

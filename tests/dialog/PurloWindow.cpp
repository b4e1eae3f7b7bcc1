#include "tests/dialog/PurloWindow.h"

#include "tests/support/Fixtures.h"
#include "ui/Texts.h"

namespace testing_support {

const wchar_t kPurloExe[] = L"C:\\purlo\\Purlo.exe";
const wchar_t kSmallTree[] = L"C:\\purlo-gui\\small";
const wchar_t kGuiTree[] = L"C:\\purlo-gui\\tree";
const wchar_t kLongTree[] = L"C:\\purlo-gui\\long";

std::vector<std::wstring> Labels(HWND tree) {
  std::vector<std::wstring> labels;
  for (const TreeItem& item : TreeItems(tree)) labels.push_back(item.text);
  return labels;
}

std::vector<bool> Ticks(HWND tree) {
  std::vector<bool> ticks;
  for (const TreeItem& item : TreeItems(tree)) ticks.push_back(item.checkState == 1);
  return ticks;
}

::testing::AssertionResult TickOnly(HWND tree, const std::vector<purlo::JunkCategory>& categories) {
  std::vector<TreeItem> items = TreeItems(tree);
  if (items.size() != static_cast<size_t>(purlo::kCategoryCount)) {
    return ::testing::AssertionFailure() << "the tree holds " << items.size() << " items";
  }
  for (int i = 0; i < purlo::kCategoryCount; ++i) {
    bool wanted = false;
    for (purlo::JunkCategory c : categories) wanted = wanted || static_cast<int>(c) == i;
    if ((items[i].checkState == 1) == wanted) continue;
    if (!ClickTreeCheck(tree, items[i].handle)) {
      return ::testing::AssertionFailure() << "could not click the check box of item " << i;
    }
    HTREEITEM handle = items[i].handle;
    if (!WaitUntil([&] { return (ReadTreeItem(tree, handle).checkState == 1) == wanted; }, 2000)) {
      return ::testing::AssertionFailure() << "item " << i << " did not change its tick";
    }
  }
  return ::testing::AssertionSuccess();
}

void WaitOutDoubleClickTime() { ::Sleep(::GetDoubleClickTime() + 50); }

bool WaitForScanProgress(HWND status, DWORD timeoutMs) {
  return WaitUntil([&] { return Text(status).rfind(purlo::texts::kScanningPrefix, 0) == 0; }, timeoutMs);
}

void PointTheWorldAt(const std::wstring& folder) {
  const wchar_t key[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe";
  DeleteKeyTree(HKEY_LOCAL_MACHINE, key);
  SetString(HKEY_LOCAL_MACHINE, key, L"Path", folder);
}

}  // namespace testing_support

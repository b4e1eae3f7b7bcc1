// A small dialog program for the GUI driver's own tests: a tree with check
// boxes, buttons, an edit that shows what happened, a message box on a click.
//   driver-target.exe            opens the dialog
//   driver-target.exe --notice   shows a start-up notice first ("开　始" goes on,
//                                "放　弃" ends the process with exit code 1)
// The dialog's result is the exit code: 11 for OK (Enter), 12 for Cancel (Esc).
#include <windows.h>
#include <commctrl.h>

#include <cwchar>
#include <string>

#include "tests/gui/DriverTargetIds.h"

namespace {

const wchar_t* const kItems[] = {L"临时文件", L"预读文件", L"回收站", L"网页缓存", L"历史记录"};
HBRUSH g_red = nullptr;

void FillTree(HWND tree) {
  // Check boxes from the template may reset the states set now, when the tree
  // makes its state images late; set the style again first, as documented.
  const LONG style = ::GetWindowLongW(tree, GWL_STYLE);
  ::SetWindowLongW(tree, GWL_STYLE, style & ~TVS_CHECKBOXES);
  ::SetWindowLongW(tree, GWL_STYLE, style | TVS_CHECKBOXES);
  for (int i = 0; i < 5; ++i) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = TVI_ROOT;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(kItems[i]);
    HTREEITEM item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (i == 0 || i == 2) {
      TVITEMW check = {};
      check.mask = TVIF_HANDLE | TVIF_STATE;
      check.hItem = item;
      check.stateMask = TVIS_STATEIMAGEMASK;
      check.state = INDEXTOSTATEIMAGEMASK(2);
      ::SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&check));
    }
  }
}

int CountTicked(HWND tree) {
  int ticked = 0;
  for (HTREEITEM item = TreeView_GetRoot(tree); item; item = TreeView_GetNextSibling(tree, item)) {
    if (((TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12) - 1) == 1) ++ticked;
  }
  return ticked;
}

void Ask(HWND dialog) {
  const int answer = ::MessageBoxW(dialog, L"要继续吗?", L"提问", MB_YESNO | MB_ICONQUESTION);
  ::SetDlgItemTextW(dialog, IDC_RESULT, answer == IDYES ? L"是" : L"否");
}

void ShowCount(HWND dialog) {
  const std::wstring text = L"勾选" + std::to_wstring(CountTicked(::GetDlgItem(dialog, IDC_TREE)));
  ::SetDlgItemTextW(dialog, IDC_RESULT, text.c_str());
}

INT_PTR CALLBACK TargetProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      FillTree(::GetDlgItem(dialog, IDC_TREE));
      ::SetDlgItemTextW(dialog, IDC_RESULT, L"就绪");
      return TRUE;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lParam) == ::GetDlgItem(dialog, IDC_RED)) return reinterpret_cast<INT_PTR>(g_red);
      return FALSE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ASK: Ask(dialog); return TRUE;
        case IDC_COUNT: ShowCount(dialog); return TRUE;
        case IDC_DISABLED: ::SetDlgItemTextW(dialog, IDC_RESULT, L"禁用被按"); return TRUE;
        case IDOK: ::EndDialog(dialog, TARGET_RESULT_OK); return TRUE;
        case IDCANCEL: ::EndDialog(dialog, TARGET_RESULT_CANCEL); return TRUE;
      }
      return FALSE;
  }
  return FALSE;
}

INT_PTR CALLBACK NoticeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_NOTICE_START:
    case IDCANCEL: ::EndDialog(dialog, 0); return TRUE;
    case IDC_NOTICE_GIVE_UP: ::ExitProcess(1);
  }
  return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
  ::InitCommonControlsEx(&controls);
  g_red = ::CreateSolidBrush(RGB(255, 0, 0));
  if (std::wcsstr(commandLine, L"--notice")) ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_NOTICE), nullptr, NoticeProc, 0);
  const INT_PTR result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_TARGET), nullptr, TargetProc, 0);
  ::DeleteObject(g_red);
  return static_cast<int>(result);
}

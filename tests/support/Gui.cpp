#include "tests/support/Gui.h"

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "tests/support/Fixtures.h"

namespace testing_support {

namespace {

const UINT kMessageTimeoutMs = 2000;

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result,
                 UINT timeoutMs = kMessageTimeoutMs) {
  DWORD_PTR value = 0;
  const bool answered =
      ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &value) != 0;
  if (result) *result = value;
  return answered;
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  return pid;
}

}  // namespace

// ---- processes ----------------------------------------------------------

Process::~Process() {
  if (Running()) {
    ::TerminateProcess(process_.Get(), 99);
    ::WaitForSingleObject(process_.Get(), 5000);
  }
}

bool Process::Running() const { return Started() && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

bool Process::WaitForExit(DWORD milliseconds) {
  return Started() && ::WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (Started()) ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void Process::Terminate(UINT code) {
  if (!Running()) return;
  ::TerminateProcess(process_.Get(), code);
  ::WaitForSingleObject(process_.Get(), 5000);
}

size_t Process::WorkingSet() const {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!Started() || !::GetProcessMemoryInfo(process_.Get(), &counters, sizeof(counters))) return 0;
  return counters.WorkingSetSize;
}

size_t Process::PeakWorkingSet() const {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!Started() || !::GetProcessMemoryInfo(process_.Get(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize;
}

Process Launch(const std::wstring& program, const std::wstring& arguments, const std::wstring& currentFolder) {
  std::wstring folder = currentFolder;
  if (folder.empty()) {
    const size_t slash = program.rfind(L'\\');
    if (slash != std::wstring::npos) folder = program.substr(0, slash);
  }
  std::wstring commandLine = L"\"" + program + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    return Process();
  }
  win::UniqueKernel thread(pi.hThread);
  return Process(win::UniqueKernel(pi.hProcess), pi.dwProcessId);
}

// ---- windows ------------------------------------------------------------

namespace {

struct WindowSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (::IsWindowVisible(window) && (search->pid == 0 || ProcessOf(window) == search->pid)) {
    search->found.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid) {
  WindowSearch search{pid, {}};
  ::EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWindow(DWORD pid, const std::wstring& className, const std::wstring& caption, DWORD timeoutMs) {
  HWND match = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : TopLevelWindows(pid)) {
          if (!className.empty() && ClassName(w) != className) continue;
          if (!caption.empty() && Text(w) != caption) continue;
          match = w;
          return true;
        }
        return false;
      },
      timeoutMs);
  return match;
}

bool WaitForWindowGone(HWND window, DWORD timeoutMs) {
  return WaitUntil([&] { return !::IsWindow(window) || !::IsWindowVisible(window); }, timeoutMs);
}

bool WaitForText(HWND window, const std::wstring& expected, DWORD timeoutMs) {
  return WaitUntil([&] { return Text(window) == expected; }, timeoutMs);
}

bool WaitForEnabled(HWND window, bool enabled, DWORD timeoutMs) {
  return WaitUntil([&] { return Enabled(window) == enabled; }, timeoutMs);
}

bool WaitForSteadyText(HWND window, DWORD steadyMs, DWORD timeoutMs) {
  return WaitUntilSteady([&] { return Text(window); }, steadyMs, timeoutMs);
}

HWND Control(HWND dialog, int id) { return ::GetDlgItem(dialog, id); }

int ControlId(HWND control) { return ::GetDlgCtrlID(control); }

std::wstring Text(HWND window) {
  DWORD_PTR length = 0;
  if (!SendBounded(window, WM_GETTEXTLENGTH, 0, 0, &length)) return std::wstring();
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!SendBounded(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), &copied)) {
    return std::wstring();
  }
  text.resize(std::min<size_t>(copied, length));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  const int n = ::GetClassNameW(window, name, 256);
  return std::wstring(name, n > 0 ? n : 0);
}

DWORD Style(HWND window) { return static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)); }
DWORD ExStyle(HWND window) { return static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)); }
bool Enabled(HWND window) { return ::IsWindowEnabled(window) != FALSE; }
bool Visible(HWND window) { return ::IsWindowVisible(window) != FALSE; }

int CheckState(HWND button) {
  DWORD_PTR state = 0;
  if (!SendBounded(button, BM_GETCHECK, 0, 0, &state)) return -1;
  return static_cast<int>(state);
}

RECT WindowRect(HWND window) {
  RECT r = {};
  ::GetWindowRect(window, &r);
  return r;
}

RECT ClientRectOnScreen(HWND window) {
  RECT r = {};
  ::GetClientRect(window, &r);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT WorkAreaAtPointer() {
  POINT pointer{};
  ::GetCursorPos(&pointer);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

int CentreOffset(const RECT& window, const RECT& area) {
  const int dx = (window.left + window.right) - (area.left + area.right);
  const int dy = (window.top + window.bottom) - (area.top + area.bottom);
  return (std::max(std::abs(dx), std::abs(dy)) + 1) / 2;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

HWND FocusedWindow(HWND anyWindowOfThread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  const DWORD thread = ::GetWindowThreadProcessId(anyWindowOfThread, nullptr);
  if (!thread || !::GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

// ---- input --------------------------------------------------------------

bool Click(HWND button) {
  if (!::IsWindow(button) || !Enabled(button) || !Visible(button)) return false;
  return ::PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

namespace {

bool SendMouse(DWORD flags, POINT screen) {
  const int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = static_cast<LONG>((screen.x * 65536LL + width / 2) / width);
  input.mi.dy = static_cast<LONG>((screen.y * 65536LL + height / 2) / height);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
  return ::SendInput(1, &input, sizeof(INPUT)) == 1;
}

bool IsSelfOrDescendant(HWND ancestor, HWND window) {
  for (HWND w = window; w; w = ::GetParent(w)) {
    if (w == ancestor) return true;
  }
  return false;
}

}  // namespace

bool MouseClickAt(HWND window, POINT client) {
  if (!::IsWindow(window) || !Enabled(window) || !Visible(window)) return false;
  POINT screen = client;
  ::ClientToScreen(window, &screen);
  // Another window on top would take the click: refuse rather than click it.
  if (!IsSelfOrDescendant(window, ::WindowFromPoint(screen))) return false;
  ::SetCursorPos(screen.x, screen.y);
  return SendMouse(0, screen) && SendMouse(MOUSEEVENTF_LEFTDOWN, screen) && SendMouse(MOUSEEVENTF_LEFTUP, screen);
}

bool MouseClick(HWND window) {
  RECT r = {};
  ::GetClientRect(window, &r);
  return MouseClickAt(window, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

namespace {

// The focus as the thread reports it, when it is a live window of that thread.
// Right after a window appears the report can still name a window that is
// gone or belongs elsewhere: then the key goes to the given window.
HWND KeyTarget(HWND anyWindowOfThread) {
  const DWORD thread = ::GetWindowThreadProcessId(anyWindowOfThread, nullptr);
  HWND focus = FocusedWindow(anyWindowOfThread);
  if (focus && ::IsWindow(focus) && ::GetWindowThreadProcessId(focus, nullptr) == thread) return focus;
  return anyWindowOfThread;
}

}  // namespace

bool PressKey(HWND anyWindowOfThread, WORD virtualKey) {
  const UINT scan = ::MapVirtualKeyW(virtualKey, 0 /* MAPVK_VK_TO_VSC */);
  const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
  const LPARAM up = down | (1u << 30) | (1u << 31);
  // Right after the window appears the press may not be deliverable yet: it
  // is retried for a while (long on a loaded machine; it ends as soon as the
  // press is taken). The release goes where the press went, unless the press
  // has closed that window already (Esc on a dialog, sooner on a loaded machine).
  constexpr DWORD kDeliverMs = 10000;
  HWND target = nullptr;
  const bool pressed = WaitUntil(
      [&] {
        if (!::IsWindow(anyWindowOfThread)) return false;
        target = KeyTarget(anyWindowOfThread);
        return ::PostMessageW(target, WM_KEYDOWN, virtualKey, down) != FALSE;
      },
      kDeliverMs);
  return pressed && WaitUntil(
                        [&] {
                          return ::PostMessageW(target, WM_KEYUP, virtualKey, up) != FALSE || !::IsWindow(target);
                        },
                        kDeliverMs);
}

bool TypeKey(HWND window, WORD virtualKey) {
  HWND top = ::GetAncestor(window, GA_ROOT);
  ::SetForegroundWindow(top);
  if (!WaitUntil([&] { return ::GetForegroundWindow() == top; }, 2000)) return false;
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = virtualKey;
  keys[0].ki.wScan = keys[1].ki.wScan = static_cast<WORD>(::MapVirtualKeyW(virtualKey, 0));
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  return ::SendInput(2, keys, sizeof(INPUT)) == 2;
}

void RequestClose(HWND window) { ::PostMessageW(window, WM_CLOSE, 0, 0); }

// ---- message boxes ------------------------------------------------------

namespace {

bool IsStandardButtonId(int id) { return id >= IDOK && id <= 11 /* IDCONTINUE */; }

// A message box: a dialog whose text is in static 0xFFFF and whose buttons all
// carry the standard answer ids (a template's own dialog has its own ids).
bool ReadMessageBox(HWND window, MessageBoxInfo* info) {
  if (ClassName(window) != L"#32770") return false;
  HWND text = ::GetDlgItem(window, 0xFFFF);
  if (!text || ClassName(text) != L"Static") return false;
  MessageBoxInfo box;
  box.window = window;
  box.caption = Text(window);
  box.text = Text(text);
  for (HWND child : Children(window)) {
    const std::wstring cls = ClassName(child);
    if (cls == L"Button") {
      if (!Visible(child)) continue;
      const int id = ControlId(child);
      if (!IsStandardButtonId(id)) return false;
      box.buttons.push_back(id);
    } else if (cls == L"Static" && (Style(child) & SS_TYPEMASK) == SS_ICON && Visible(child)) {
      DWORD_PTR icon = 0;
      if (SendBounded(child, STM_GETICON, 0, 0, &icon) && icon) box.hasIcon = true;
    }
  }
  if (box.buttons.empty()) return false;
  *info = box;
  return true;
}

}  // namespace

MessageBoxInfo WaitForMessageBox(DWORD pid, DWORD timeoutMs, HWND owner) {
  MessageBoxInfo found;
  WaitUntil(
      [&] {
        for (HWND w : TopLevelWindows(pid)) {
          if (owner && ::GetWindow(w, GW_OWNER) != owner) continue;
          if (ReadMessageBox(w, &found)) return true;
        }
        return false;
      },
      timeoutMs);
  return found;
}

bool AnswerMessageBox(const MessageBoxInfo& box, int buttonId, DWORD timeoutMs) {
  if (!box.Found() || std::find(box.buttons.begin(), box.buttons.end(), buttonId) == box.buttons.end()) return false;
  if (!Click(::GetDlgItem(box.window, buttonId))) return false;
  return WaitForWindowGone(box.window, timeoutMs);
}

bool NoMessageBoxFor(DWORD pid, DWORD milliseconds) { return !WaitForMessageBox(pid, milliseconds).Found(); }

// ---- tree views of another process ---------------------------------------

namespace {

// Memory in the tree's process for the structures its messages point to.
class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size) : size_(size) {
    process_.Reset(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION,
                                 FALSE, ProcessOf(window)));
    if (process_) address_ = ::VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) ::VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool Ready() const { return address_ != nullptr; }
  uint8_t* At(size_t offset) const { return static_cast<uint8_t*>(address_) + offset; }
  LPARAM Param(size_t offset = 0) const { return reinterpret_cast<LPARAM>(At(offset)); }
  bool Write(size_t offset, const void* data, size_t n) const {
    SIZE_T done = 0;
    return offset + n <= size_ && ::WriteProcessMemory(process_.Get(), At(offset), data, n, &done) && done == n;
  }
  bool Read(size_t offset, void* data, size_t n) const {
    SIZE_T done = 0;
    return offset + n <= size_ && ::ReadProcessMemory(process_.Get(), At(offset), data, n, &done) && done == n;
  }

 private:
  win::UniqueKernel process_;
  void* address_ = nullptr;
  size_t size_;
};

const int kTextMax = 1024;

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

int CheckFromState(UINT state) {
  const int image = static_cast<int>((state & TVIS_STATEIMAGEMASK) >> 12);
  return image == 0 ? -1 : image - 1;
}

}  // namespace

bool SendDpiChanged(HWND window, UINT dpi, const RECT& suggested) {
  RemoteBuffer remote(window, sizeof(RECT));
  if (!remote.Ready() || !remote.Write(0, &suggested, sizeof suggested)) return false;
  DWORD_PTR answer = 0;
  return ::SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), remote.Param(), SMTO_ABORTIFHUNG, 5000,
                               &answer) != 0;
}

TreeItem ReadTreeItem(HWND tree, HTREEITEM handle) {
  TreeItem result;
  result.handle = handle;
  RemoteBuffer remote(tree, sizeof(TVITEMW) + kTextMax * sizeof(wchar_t));
  if (!remote.Ready()) return result;
  TVITEMW item = {};
  item.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_STATE;
  item.hItem = handle;
  item.stateMask = 0xFFFFFFFF;
  item.pszText = reinterpret_cast<LPWSTR>(remote.At(sizeof(TVITEMW)));
  item.cchTextMax = kTextMax;
  const wchar_t nothing = 0;
  DWORD_PTR ok = 0;
  if (!remote.Write(0, &item, sizeof(item)) || !remote.Write(sizeof(TVITEMW), &nothing, sizeof(nothing)) ||
      !SendBounded(tree, TVM_GETITEMW, 0, remote.Param(), &ok) || !ok) {
    return result;
  }
  std::vector<wchar_t> text(kTextMax);
  TVITEMW back = {};
  if (!remote.Read(0, &back, sizeof(back)) || !remote.Read(sizeof(TVITEMW), text.data(), kTextMax * sizeof(wchar_t))) {
    return result;
  }
  text.back() = 0;
  // The tree may answer with a pointer to its own copy of the text.
  if (back.pszText != item.pszText && back.pszText) {
    win::UniqueKernel process(::OpenProcess(PROCESS_VM_READ, FALSE, ProcessOf(tree)));
    SIZE_T done = 0;
    ::ReadProcessMemory(process.Get(), back.pszText, text.data(), (kTextMax - 1) * sizeof(wchar_t), &done);
  }
  result.text = text.data();
  result.state = back.state;
  result.checkState = CheckFromState(back.state);
  return result;
}

std::vector<TreeItem> TreeItems(HWND tree, HTREEITEM parent) {
  std::vector<TreeItem> items;
  DWORD_PTR next = 0;
  if (!SendBounded(tree, TVM_GETNEXTITEM, parent ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(parent), &next)) {
    return items;
  }
  while (next) {
    const HTREEITEM handle = reinterpret_cast<HTREEITEM>(next);
    items.push_back(ReadTreeItem(tree, handle));
    if (!SendBounded(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(handle), &next)) break;
  }
  return items;
}

bool SetTreeCheck(HWND tree, HTREEITEM handle, bool checked) {
  RemoteBuffer remote(tree, sizeof(TVITEMW));
  if (!remote.Ready()) return false;
  TVITEMW item = {};
  item.mask = TVIF_HANDLE | TVIF_STATE;
  item.hItem = handle;
  item.stateMask = TVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  DWORD_PTR ok = 0;
  return remote.Write(0, &item, sizeof(item)) && SendBounded(tree, TVM_SETITEMW, 0, remote.Param(), &ok) && ok;
}

bool TreeItemRect(HWND tree, HTREEITEM handle, bool textOnly, RECT* rect) {
  RemoteBuffer remote(tree, sizeof(RECT));
  if (!remote.Ready()) return false;
  RECT in = {};
  std::memcpy(&in, &handle, sizeof(handle));  // the item goes in, the rectangle comes out
  DWORD_PTR ok = 0;
  return remote.Write(0, &in, sizeof(in)) && SendBounded(tree, TVM_GETITEMRECT, textOnly, remote.Param(), &ok) && ok &&
         remote.Read(0, rect, sizeof(*rect));
}

namespace {

bool HitTest(HWND tree, POINT client, TVHITTESTINFO* info) {
  RemoteBuffer remote(tree, sizeof(TVHITTESTINFO));
  if (!remote.Ready()) return false;
  TVHITTESTINFO in = {};
  in.pt = client;
  DWORD_PTR item = 0;
  return remote.Write(0, &in, sizeof(in)) && SendBounded(tree, TVM_HITTEST, 0, remote.Param(), &item) &&
         remote.Read(0, info, sizeof(*info));
}

}  // namespace

bool ClickTreeCheck(HWND tree, HTREEITEM handle) {
  // An item below the tree's visible part is scrolled in first, as a person would.
  DWORD_PTR scrolled = 0;
  ::SendMessageTimeoutW(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(handle), SMTO_ABORTIFHUNG, 2000, &scrolled);
  RECT text = {};
  if (!TreeItemRect(tree, handle, true, &text)) return false;
  const int before = ReadTreeItem(tree, handle).checkState;
  if (before < 0) return false;
  // The check box is the state image just left of the label: find it with the
  // tree's own hit test rather than guessing its metrics.
  const int y = (text.top + text.bottom) / 2;
  for (int x = text.left - 1; x >= 0; --x) {
    TVHITTESTINFO hit = {};
    if (!HitTest(tree, POINT{x, y}, &hit)) return false;
    if (hit.hItem != handle) continue;
    if (!(hit.flags & TVHT_ONITEMSTATEICON)) continue;
    // The middle of the check box: walk on to its left edge.
    int left = x;
    for (; left > 0; --left) {
      TVHITTESTINFO more = {};
      if (!HitTest(tree, POINT{left - 1, y}, &more) || !(more.flags & TVHT_ONITEMSTATEICON)) break;
    }
    if (!MouseClickAt(tree, POINT{(left + x) / 2, y})) return false;
    return WaitUntil([&] { return ReadTreeItem(tree, handle).checkState == 1 - before; }, 2000);
  }
  return false;
}

HTREEITEM TreeSelection(HWND tree) {
  DWORD_PTR item = 0;
  SendBounded(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, &item);
  return reinterpret_cast<HTREEITEM>(item);
}

COLORREF TreeTextColor(HWND tree) {
  DWORD_PTR color = 0;
  if (!SendBounded(tree, TVM_GETTEXTCOLOR, 0, 0, &color)) return CLR_INVALID;
  return static_cast<COLORREF>(color);
}

// ---- pixels -------------------------------------------------------------

namespace {

// Scoped GDI objects for one capture.
struct ScreenDc {
  HDC dc = ::GetDC(nullptr);
  ~ScreenDc() {
    if (dc) ::ReleaseDC(nullptr, dc);
  }
};
struct MemoryDc {
  HDC dc;
  explicit MemoryDc(HDC compatible) : dc(::CreateCompatibleDC(compatible)) {}
  ~MemoryDc() {
    if (dc) ::DeleteDC(dc);
  }
};
struct Bitmap {
  HBITMAP bitmap = nullptr;
  ~Bitmap() {
    if (bitmap) ::DeleteObject(bitmap);
  }
};
struct Selection {
  HDC dc;
  HGDIOBJ previous;
  Selection(HDC d, HGDIOBJ object) : dc(d), previous(::SelectObject(d, object)) {}
  ~Selection() { ::SelectObject(dc, previous); }
};

}  // namespace

Capture CaptureScreen(const RECT& screen) {
  Capture capture;
  const int w = screen.right - screen.left, h = screen.bottom - screen.top;
  if (w <= 0 || h <= 0) return capture;
  ScreenDc source;
  MemoryDc memory(source.dc);
  if (!source.dc || !memory.dc) return capture;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  Bitmap bitmap;
  bitmap.bitmap = ::CreateDIBSection(memory.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap.bitmap || !bits) return capture;
  {
    Selection selected(memory.dc, bitmap.bitmap);
    if (!::BitBlt(memory.dc, 0, 0, w, h, source.dc, screen.left, screen.top, SRCCOPY)) return capture;
    ::GdiFlush();
  }
  const uint32_t* p = static_cast<const uint32_t*>(bits);
  capture.width = w;
  capture.height = h;
  capture.screen = screen;
  capture.pixels.assign(p, p + static_cast<size_t>(w) * h);
  for (uint32_t& px : capture.pixels) px &= 0xFFFFFF;
  return capture;
}

bool WaitUntilStill(HWND window, DWORD stillMs, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  RoundTripMs(window, timeoutMs);
  Capture last = CaptureWindow(window);
  DWORD sameSince = ::GetTickCount();
  for (;;) {
    ::Sleep(50);
    Capture now = CaptureWindow(window);
    if (now.Empty() || now.pixels != last.pixels || now.width != last.width) {
      last = std::move(now);
      sameSince = ::GetTickCount();
    } else if (::GetTickCount() - sameSince >= stillMs) {
      return true;
    }
    if (::GetTickCount() - start >= timeoutMs) return false;
  }
}

Capture CaptureWindow(HWND window) { return CaptureScreen(WindowRect(window)); }
Capture CaptureClient(HWND window) { return CaptureScreen(ClientRectOnScreen(window)); }

RECT RectIn(HWND reference, HWND window) {
  const RECT outer = ClientRectOnScreen(reference), inner = ClientRectOnScreen(window);
  return RECT{inner.left - outer.left, inner.top - outer.top, inner.right - outer.left, inner.bottom - outer.top};
}

RECT MapRectIn(HWND reference, HWND window, const RECT& inWindow) {
  RECT r = inWindow;
  ::MapWindowPoints(window, reference, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

COLORREF Capture::Color(int x, int y) const {
  const uint32_t p = At(x, y);
  return RGB(Red(p), Green(p), Blue(p));
}

int Capture::Count(const RECT& area, bool (*match)(uint32_t rgb)) const {
  int n = 0;
  for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, height); ++y) {
    for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, width); ++x) {
      if (match(At(x, y))) ++n;
    }
  }
  return n;
}

int Capture::CountColor(const RECT& area, COLORREF color, int tolerance) const {
  int n = 0;
  for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, height); ++y) {
    for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, width); ++x) {
      const uint32_t p = At(x, y);
      if (std::abs(Red(p) - GetRValue(color)) <= tolerance && std::abs(Green(p) - GetGValue(color)) <= tolerance &&
          std::abs(Blue(p) - GetBValue(color)) <= tolerance) {
        ++n;
      }
    }
  }
  return n;
}

namespace {

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  const size_t slash = path.rfind(L'\\');
  if (slash != std::wstring::npos) MakeFolders(path.substr(0, slash));
  win::UniqueFile f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return f && ::WriteFile(f.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

void Put32be(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}
void Put32le(std::string& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}
void Put16le(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

uint32_t Crc32(const std::string& data, size_t from) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    ready = true;
  }
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = from; i < data.size(); ++i) c = table[(c ^ static_cast<uint8_t>(data[i])) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void Chunk(std::string& png, const char* type, const std::string& body) {
  Put32be(png, static_cast<uint32_t>(body.size()));
  const size_t start = png.size();
  png.append(type, 4);
  png += body;
  Put32be(png, Crc32(png, start));
}

}  // namespace

bool Capture::SavePng(const std::wstring& path) const {
  if (Empty()) return false;
  // Rows with filter 0, RGB; stored (uncompressed) deflate blocks in a zlib stream.
  std::string raw;
  raw.reserve(static_cast<size_t>(height) * (1 + 3 * width));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      const uint32_t p = At(x, y);
      raw.push_back(static_cast<char>(Red(p)));
      raw.push_back(static_cast<char>(Green(p)));
      raw.push_back(static_cast<char>(Blue(p)));
    }
  }
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n >= raw.size() ? 1 : 0);
    Put16le(z, static_cast<uint16_t>(n));
    Put16le(z, static_cast<uint16_t>(~n));
    z.append(raw, at, n);
    if (raw.empty()) break;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32be(z, (b << 16) | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32be(header, width);
  Put32be(header, height);
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter set, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", std::string());
  return WriteBytes(path, png);
}

bool Capture::SaveBmp(const std::wstring& path) const {
  if (Empty()) return false;
  const uint32_t stride = static_cast<uint32_t>((width * 3 + 3) & ~3);
  const uint32_t bitsSize = stride * height;
  std::string bmp = "BM";
  Put32le(bmp, 14 + 40 + bitsSize);
  Put32le(bmp, 0);
  Put32le(bmp, 14 + 40);
  Put32le(bmp, 40);
  Put32le(bmp, width);
  Put32le(bmp, height);
  Put16le(bmp, 1);
  Put16le(bmp, 24);
  Put32le(bmp, BI_RGB);
  Put32le(bmp, bitsSize);
  Put32le(bmp, 3780);
  Put32le(bmp, 3780);
  Put32le(bmp, 0);
  Put32le(bmp, 0);
  for (int y = height - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      const uint32_t p = At(x, y);
      row.push_back(static_cast<char>(Blue(p)));
      row.push_back(static_cast<char>(Green(p)));
      row.push_back(static_cast<char>(Red(p)));
    }
    row.resize(stride, '\0');
    bmp += row;
  }
  return WriteBytes(path, bmp);
}

// ---- timing -------------------------------------------------------------

double RoundTripMs(HWND window, DWORD timeoutMs) {
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  DWORD_PTR result = 0;
  if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result)) return -1.0;
  ::QueryPerformanceCounter(&end);
  return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<double> SampleRoundTrips(HWND window, DWORD everyMs, DWORD forMs, DWORD timeoutMs) {
  std::vector<double> samples;
  const DWORD start = ::GetTickCount();
  DWORD next = start;
  while (::GetTickCount() - start < forMs) {
    samples.push_back(RoundTripMs(window, timeoutMs));
    next += everyMs;
    const DWORD now = ::GetTickCount();
    if (static_cast<LONG>(next - now) > 0) ::Sleep(next - now);
  }
  return samples;
}

double Percentile(std::vector<double> samples, double p) {
  if (samples.empty()) return 0.0;
  double largest = 0.0;
  for (double s : samples) largest = std::max(largest, s);
  for (double& s : samples) {
    if (s < 0) s = largest + 1e9;  // a timeout is worse than any answer
  }
  std::sort(samples.begin(), samples.end());
  size_t rank = static_cast<size_t>(p / 100.0 * samples.size() + 0.999999);
  rank = std::min(std::max<size_t>(rank, 1), samples.size());
  return samples[rank - 1];
}

std::string UnixPath(const std::wstring& windowsPath) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  auto toUnix = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!toUnix) return std::string();
  char* name = toUnix(windowsPath.c_str());
  if (!name) return std::string();
  std::string result(name);
  ::HeapFree(::GetProcessHeap(), 0, name);
  return result;
}

std::wstring ScreenshotFolder() {
  const std::wstring folder = L"C:\\purlo-tests\\screenshots";
  MakeFolders(folder);
  return folder;
}

}  // namespace testing_support

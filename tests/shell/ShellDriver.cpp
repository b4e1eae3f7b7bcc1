#include "tests/shell/ShellDriver.h"

#include <cstring>

namespace shellgui {

Process::~Process() { End(nullptr); }

bool Process::Start(const std::wstring& program, const std::wstring& currentFolder) {
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  const std::wstring folder = currentFolder.empty() ? program.substr(0, program.find_last_of(L'\\')) : currentFolder;
  if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &info)) {
    return false;
  }
  ::CloseHandle(info.hThread);
  process_.Reset(info.hProcess);
  id_ = info.dwProcessId;
  return true;
}

bool Process::Running() const { return process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT; }

bool Process::WaitForExit(DWORD milliseconds) {
  return !process_ || ::WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void Process::End(HWND main) {
  if (!Running()) return;
  if (main && ::IsWindow(main)) ::PostMessageW(main, WM_CLOSE, 0, 0);
  if (!WaitForExit(main ? 5000 : 0)) {
    ::TerminateProcess(process_.Get(), 99);
    WaitForExit(5000);
  }
}

namespace {

struct Search {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid && ::IsWindowVisible(window)) search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(DWORD pid) {
  Search search{pid, {}};
  ::EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring ClassName(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, 256);
  return name;
}

std::wstring Text(HWND window) {
  if (window == nullptr) return {};
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
  return std::wstring(text, copied);
}

HWND Control(HWND dialog, int id) { return dialog ? ::GetDlgItem(dialog, id) : nullptr; }

bool Click(HWND button) {
  if (button == nullptr || !::IsWindowVisible(button) || !::IsWindowEnabled(button)) return false;
  return ::PostMessageW(button, BM_CLICK, 0, 0) != FALSE;
}

bool PressKey(HWND anyWindowOfThread, WORD virtualKey) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  const DWORD thread = ::GetWindowThreadProcessId(anyWindowOfThread, nullptr);
  HWND target = ::GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : anyWindowOfThread;
  const UINT scan = ::MapVirtualKeyW(virtualKey, 0);
  return ::PostMessageW(target, WM_KEYDOWN, virtualKey, 1 | (scan << 16)) &&
         ::PostMessageW(target, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

namespace {

HWND StartButtonOf(HWND notice) {
  for (HWND child = ::GetWindow(notice, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (ClassName(child) == L"Button" && Text(child) == L"开\x3000始") return child;
  }
  return nullptr;
}

}  // namespace

HWND FindNotice(DWORD pid) {
  for (HWND w : TopLevelWindows(pid)) {
    if (ClassName(w) == L"#32770" && StartButtonOf(w)) return w;
  }
  return nullptr;
}

HWND StartPastNotice(Process& process, const std::wstring& program, const std::wstring& caption,
                     const std::wstring& currentFolder) {
  if (!process.Start(program, currentFolder)) return nullptr;
  HWND main = nullptr, pressed = nullptr;
  WaitUntil([&] {
    if (!process.Running()) return true;
    for (HWND w : TopLevelWindows(process.Id())) {
      if (ClassName(w) == L"#32770" && Text(w) == caption) main = w;
    }
    if (main) return true;
    HWND notice = FindNotice(process.Id());
    if (notice && notice != pressed && Click(StartButtonOf(notice))) pressed = notice;
    return false;
  }, 20000);
  return main;
}

int Capture::Count(const RECT& area, bool (*match)(uint32_t)) const {
  int n = 0;
  for (int y = std::max<LONG>(area.top, 0); y < std::min<LONG>(area.bottom, height); ++y) {
    for (int x = std::max<LONG>(area.left, 0); x < std::min<LONG>(area.right, width); ++x) n += match(At(x, y)) ? 1 : 0;
  }
  return n;
}

bool Capture::SaveBmp(const std::wstring& path) const {
  if (Empty()) return false;
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = stride * height;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::vector<uint8_t> rows(info.biSizeImage);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = &rows[static_cast<size_t>(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      const uint32_t p = At(x, y);
      row[x * 3] = Blue(p);
      row[x * 3 + 1] = Green(p);
      row[x * 3 + 2] = Red(p);
    }
  }
  win::UniqueFile out(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out) return false;
  DWORD written = 0;
  return ::WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) &&
         ::WriteFile(out.Get(), &info, sizeof(info), &written, nullptr) &&
         ::WriteFile(out.Get(), rows.data(), static_cast<DWORD>(rows.size()), &written, nullptr);
}

Capture CaptureClient(HWND window) {
  Capture capture;
  RECT client = {};
  if (!window || !::GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0) return capture;
  POINT origin = {0, 0};
  ::ClientToScreen(window, &origin);
  const int w = client.right, h = client.bottom;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && memory) {
    HGDIOBJ old = ::SelectObject(memory, dib);
    if (::BitBlt(memory, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY)) {
      ::GdiFlush();
      capture.width = w;
      capture.height = h;
      const auto* p = static_cast<const uint32_t*>(bits);
      capture.pixels.assign(p, p + static_cast<size_t>(w) * h);
      for (uint32_t& px : capture.pixels) px &= 0xFFFFFF;
    }
    ::SelectObject(memory, old);
  }
  if (dib) ::DeleteObject(dib);
  if (memory) ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return capture;
}

RECT RectIn(HWND reference, HWND window) {
  RECT r = {};
  ::GetClientRect(window, &r);
  ::MapWindowPoints(window, reference, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::wstring ScreenshotFolder() {
  ::CreateDirectoryW(L"C:\\purlo-tests", nullptr);
  ::CreateDirectoryW(L"C:\\purlo-tests\\screenshots", nullptr);
  return L"C:\\purlo-tests\\screenshots";
}

namespace {

class DataFile {
 public:
  explicit DataFile(const std::wstring& path)
      : module_(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~DataFile() {
    if (module_) ::FreeLibrary(module_);
  }
  DataFile(const DataFile&) = delete;
  DataFile& operator=(const DataFile&) = delete;
  std::vector<uint8_t> Raw(LPCWSTR type, int id) const {
    if (!module_) return {};
    HRSRC info = ::FindResourceW(module_, MAKEINTRESOURCEW(id), type);
    HGLOBAL data = info ? ::LoadResource(module_, info) : nullptr;
    const auto* bytes = data ? static_cast<const uint8_t*>(::LockResource(data)) : nullptr;
    return bytes ? std::vector<uint8_t>(bytes, bytes + ::SizeofResource(module_, info)) : std::vector<uint8_t>();
  }

 private:
  HMODULE module_;
};

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  bool ok = true;
  template <typename T>
  T Get() {
    T value{};
    if (at_ + sizeof(T) > bytes_.size()) {
      ok = false;
      return value;
    }
    std::memcpy(&value, &bytes_[at_], sizeof(T));
    at_ += sizeof(T);
    return value;
  }
  // sz_Or_Ord: 0, 0xFFFF + ordinal, or a string.
  std::wstring NameOrOrdinal(uint16_t* ordinal) {
    const uint16_t first = Get<uint16_t>();
    if (first == 0xFFFF) {
      const uint16_t n = Get<uint16_t>();
      if (ordinal) *ordinal = n;
      return L"#" + std::to_wstring(n);
    }
    std::wstring text;
    for (uint16_t c = first; c != 0 && ok; c = Get<uint16_t>()) text += static_cast<wchar_t>(c);
    return text;
  }
  void Align() { at_ = (at_ + 3) & ~size_t(3); }
  void Skip(size_t n) { at_ += n; }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t at_ = 0;
};

std::wstring ClassOf(const std::wstring& name) {
  static const wchar_t* atoms[] = {L"Button", L"Edit", L"Static", L"ListBox", L"ScrollBar", L"ComboBox"};
  if (name.size() > 1 && name[0] == L'#') {
    const int atom = std::stoi(name.substr(1));
    if (atom >= 0x80 && atom <= 0x85) return atoms[atom - 0x80];
  }
  return name;
}

}  // namespace

DialogTemplate ReadDialog(const std::wstring& program, int id) {
  DialogTemplate t;
  const std::vector<uint8_t> bytes = DataFile(program).Raw(RT_DIALOG, id);
  if (bytes.size() < 26) return t;
  Reader r(bytes);
  if (r.Get<uint16_t>() != 1 || r.Get<uint16_t>() != 0xFFFF) return t;  // DIALOGEX only
  r.Get<DWORD>();  // help id
  r.Get<DWORD>();  // extended style
  t.style = r.Get<DWORD>();
  const uint16_t count = r.Get<uint16_t>();
  r.Get<short>();
  r.Get<short>();
  t.cx = r.Get<short>();
  t.cy = r.Get<short>();
  r.NameOrOrdinal(nullptr);  // menu
  r.NameOrOrdinal(nullptr);  // class
  r.NameOrOrdinal(nullptr);  // caption
  if (t.style & DS_SETFONT) {
    t.pointSize = r.Get<uint16_t>();
    r.Get<uint16_t>();
    r.Get<uint8_t>();
    r.Get<uint8_t>();
    t.font = r.NameOrOrdinal(nullptr);
  }
  for (int i = 0; i < count && r.ok; ++i) {
    r.Align();
    DialogControl c;
    r.Get<DWORD>();  // help id
    r.Get<DWORD>();  // extended style
    c.style = r.Get<DWORD>();
    c.x = r.Get<short>();
    c.y = r.Get<short>();
    c.cx = r.Get<short>();
    c.cy = r.Get<short>();
    const DWORD controlId = r.Get<DWORD>();
    c.id = controlId == 0xFFFF || controlId == 0xFFFFFFFF ? -1 : static_cast<int>(controlId);
    c.className = ClassOf(r.NameOrOrdinal(nullptr));
    c.text = r.NameOrOrdinal(&c.textOrdinal);
    if (c.textOrdinal) c.text.clear();
    r.Skip(r.Get<uint16_t>());  // creation data
    t.controls.push_back(c);
  }
  t.found = r.ok;
  return t;
}

BitmapInfo ReadBitmap(const std::wstring& program, int id) {
  BitmapInfo b;
  const std::vector<uint8_t> bytes = DataFile(program).Raw(RT_BITMAP, id);
  if (bytes.size() < sizeof(BITMAPINFOHEADER)) return b;
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes.data(), sizeof(header));
  b.found = true;
  b.width = header.biWidth;
  b.height = header.biHeight;
  b.bitCount = header.biBitCount;
  return b;
}

}  // namespace shellgui

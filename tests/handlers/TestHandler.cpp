// A clean-up handler of the test suite, standing in for Windows' own. Every
// load, purge, step, stop and deactivation is appended to C:\purlo\handler-record.txt.
// Its behaviour comes from values of the VolumeCaches key it is registered
// under: PurloTestBytes (REG_QWORD, what it holds; lowered by a purge) and
// PurloTestMode: "figures" (default), "slow" (a purge of 100 steps of
// PurloTestStepMs, a REG_DWORD, 100 ms without it, each reported through the
// callback, stopped on E_ABORT) or "fail" (its purge fails with E_FAIL).
#include <windows.h>
#include <emptyvc.h>

#include <string>

namespace {

HMODULE g_self = nullptr;
LONG g_objects = 0;

const wchar_t kRecord[] = L"C:\\purlo\\handler-record.txt";
const wchar_t kVolumeCaches[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches\\";

void Record(const std::wstring& line) {
  HANDLE file = ::CreateFileW(kRecord, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::wstring text = line + L"\n";
  char utf8[4096];
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8, sizeof utf8,
                                      nullptr, nullptr);
  DWORD written = 0;
  if (n > 0) ::WriteFile(file, utf8, static_cast<DWORD>(n), &written, nullptr);
  ::CloseHandle(file);
}

std::wstring ModulePath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(g_self, path, MAX_PATH * 4);
  return n > 0 && n < MAX_PATH * 4 ? std::wstring(path, n) : std::wstring(L"?");
}

HKEY OpenOwnKey(const std::wstring& name, REGSAM access) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kVolumeCaches + name).c_str(), 0, access | KEY_WOW64_64KEY, &key) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return key;
}

LPWSTR TaskString(const std::wstring& text) {
  auto* out = static_cast<LPWSTR>(::CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (out != nullptr) lstrcpyW(out, text.c_str());
  return out;
}

class Handler : public IEmptyVolumeCache2 {
 public:
  Handler() { ::InterlockedIncrement(&g_objects); }
  virtual ~Handler() { ::InterlockedDecrement(&g_objects); }

  HRESULT WINAPI QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IEmptyVolumeCache || iid == IID_IEmptyVolumeCache2) {
      *out = static_cast<IEmptyVolumeCache2*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
  ULONG WINAPI Release() override {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  HRESULT WINAPI Initialize(HKEY, LPCWSTR, LPWSTR*, LPWSTR*, DWORD*) override { return E_NOTIMPL; }

  HRESULT WINAPI InitializeEx(HKEY key, LPCWSTR volume, LPCWSTR keyName, LPWSTR* display, LPWSTR* description,
                              LPWSTR* button, DWORD* flags) override {
    name_ = keyName != nullptr ? keyName : L"";
    Record(L"initialize " + name_ + L" on " + (volume != nullptr ? volume : L"?"));
    wchar_t mode[32] = L"figures";
    DWORD bytes = sizeof mode - sizeof(wchar_t);
    DWORD type = REG_NONE;
    if (::RegQueryValueExW(key, L"PurloTestMode", nullptr, &type, reinterpret_cast<BYTE*>(mode), &bytes) ==
        ERROR_SUCCESS) {
      mode[bytes / sizeof(wchar_t)] = L'\0';
    }
    mode_ = mode;
    DWORD step = 0;
    bytes = sizeof step;
    if (::RegQueryValueExW(key, L"PurloTestStepMs", nullptr, &type, reinterpret_cast<BYTE*>(&step), &bytes) ==
            ERROR_SUCCESS &&
        type == REG_DWORD) {
      stepMs_ = step;
    }
    *display = TaskString(L"Purlo test " + name_);
    *description = TaskString(L"A clean-up handler of the test suite");
    *button = nullptr;
    *flags = 0;
    return S_OK;
  }

  HRESULT WINAPI GetSpaceUsed(DWORDLONG* used, IEmptyVolumeCacheCallBack* callback) override {
    *used = Held();
    if (callback != nullptr && callback->ScanProgress(*used, EVCCBF_LASTNOTIFICATION, nullptr) == E_ABORT) {
      return E_ABORT;
    }
    return S_OK;
  }

  HRESULT WINAPI Purge(DWORDLONG toFree, IEmptyVolumeCacheCallBack* callback) override {
    Record(L"purge " + name_ + L" " + std::to_wstring(toFree));
    const DWORDLONG held = Held();
    if (mode_ == L"fail") return E_FAIL;
    const int steps = mode_ == L"slow" ? 100 : 1;
    DWORDLONG freed = 0;
    for (int step = 1; step <= steps; ++step) {
      if (steps > 1) ::Sleep(stepMs_);
      freed = toFree * static_cast<DWORDLONG>(step) / static_cast<DWORDLONG>(steps);
      SetHeld(held - freed);
      Record(L"step " + name_ + L" " + std::to_wstring(step));
      if (callback != nullptr &&
          callback->PurgeProgress(freed, toFree - freed, step == steps ? EVCCBF_LASTNOTIFICATION : 0, nullptr) ==
              E_ABORT) {
        Record(L"aborted " + name_ + L" at " + std::to_wstring(step));
        return E_ABORT;
      }
    }
    return S_OK;
  }

  HRESULT WINAPI ShowProperties(HWND) override { return S_OK; }

  HRESULT WINAPI Deactivate(DWORD* flags) override {
    Record(L"deactivate " + name_);
    *flags = 0;
    return S_OK;
  }

 private:
  DWORDLONG Held() {
    DWORDLONG value = 0;
    DWORD bytes = sizeof value;
    HKEY key = OpenOwnKey(name_, KEY_QUERY_VALUE);
    if (key != nullptr) {
      ::RegQueryValueExW(key, L"PurloTestBytes", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes);
      ::RegCloseKey(key);
    }
    return value;
  }
  void SetHeld(DWORDLONG value) {
    HKEY key = OpenOwnKey(name_, KEY_SET_VALUE);
    if (key == nullptr) return;
    ::RegSetValueExW(key, L"PurloTestBytes", 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    ::RegCloseKey(key);
  }

  LONG refs_ = 1;
  std::wstring name_;
  std::wstring mode_;
  DWORD stepMs_ = 100;
};

class Factory : public IClassFactory {
 public:
  HRESULT WINAPI QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    Handler* handler = new Handler;
    const HRESULT hr = handler->QueryInterface(iid, out);
    handler->Release();
    return hr;
  }
  HRESULT WINAPI LockServer(BOOL) override { return S_OK; }
};

Factory g_factory;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_self = self;
    Record(L"load " + ModulePath());
  }
  return TRUE;
}

// Any class asked for: the registrations decide which file is loaded.
extern "C" __declspec(dllexport) HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID iid, void** out) {
  return g_factory.QueryInterface(iid, out);
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow() { return g_objects == 0 ? S_OK : S_FALSE; }

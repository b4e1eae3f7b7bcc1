#include "engine/core/CleanupHandlers.h"

#include "engine/core/Run.h"

#include <emptyvc.h>

#include <atomic>
#include <cstdio>

#include "engine/core/CheckedOpen.h"
#include "engine/core/FileHandles.h"
#include "engine/core/Paths.h"
#include "engine/core/RegistryKeys.h"
#include "win/ComRef.h"
#include "win/SystemDll.h"
#include "win/Text.h"

namespace purlo {

const wchar_t kVolumeCachesKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\VolumeCaches";

namespace {

// Tells the watch of a purge while it runs.
class Purging {
 public:
  explicit Purging(HandlerWatch& watch) : watch_(watch) { watch_.PurgeUnderWay(true); }
  ~Purging() { watch_.PurgeUnderWay(false); }
  Purging(const Purging&) = delete;
  Purging& operator=(const Purging&) = delete;

 private:
  HandlerWatch& watch_;
};

// The machine's own classes only: HKEY_CLASSES_ROOT would merge the user's.
const wchar_t kMachineClasses[] = L"SOFTWARE\\Classes\\CLSID\\";

win::UniqueRegKey OpenMachineKey(const std::wstring& path) {
  return OpenKeyWithoutLinks(HKEY_LOCAL_MACHINE, path, KEY_READ | KEY_WOW64_64KEY);
}

win::UniqueRegKey OpenHandlerKey(const std::wstring& name) {
  if (name.empty() || name.find(L'\\') != std::wstring::npos) return {};
  return OpenMachineKey(std::wstring(kVolumeCachesKey) + L"\\" + name);
}

// A string value (REG_SZ or REG_EXPAND_SZ; null is the default value).
bool ReadString(HKEY key, const wchar_t* value, std::wstring& out) {
  DWORD type = REG_NONE, bytes = 0;
  if (::RegQueryValueExW(key, value, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || bytes > 64 * 1024) return false;
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  if (::RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&text[0]), &bytes) != ERROR_SUCCESS) {
    return false;
  }
  text.resize(bytes / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  out = text;
  return true;
}

int HexDigit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  return -1;
}

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" and nothing else (no ProgID look-up).
bool ParseClsid(const std::wstring& text, CLSID& clsid) {
  if (text.size() != 38 || text[0] != L'{' || text[37] != L'}') return false;
  unsigned char bytes[16];
  int n = 0;
  for (size_t i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) {
      if (text[i] != L'-') return false;
      continue;
    }
    const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes[n++] = static_cast<unsigned char>(high * 16 + low);
    ++i;
  }
  clsid.Data1 = (static_cast<DWORD>(bytes[0]) << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3];
  clsid.Data2 = static_cast<WORD>((bytes[4] << 8) | bytes[5]);
  clsid.Data3 = static_cast<WORD>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) clsid.Data4[i] = bytes[8 + i];
  return true;
}

std::wstring Expanded(const std::wstring& text) {
  wchar_t buffer[4096];
  const DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), buffer, 4096);
  return n > 0 && n <= 4096 ? std::wstring(buffer) : std::wstring();
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = ::GetSystemDirectoryW(buffer, MAX_PATH + 1);
  return n > 0 && n <= MAX_PATH ? std::wstring(buffer, n) : std::wstring();
}

// The system volume's root, "C:\", as the handlers take it.
std::wstring SystemVolume() {
  wchar_t buffer[MAX_PATH + 1];
  const UINT n = ::GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  return n >= 3 && n <= MAX_PATH && buffer[1] == L':' ? std::wstring(buffer, 2) + L"\\" : std::wstring();
}

// The path to load for a server registered as `server` (expanded): the
// system folder and the file's own name, when the folder written is the
// system folder by identity (whatever its spelling) and the file in it is a
// real file, no link, really where it was named. Checked on opened handles;
// a bare file name is the system folder's. Empty when refused.
std::wstring CheckedServerPath(const std::wstring& server) {
  const std::wstring system = SystemFolder();
  if (system.empty() || server.empty()) return std::wstring();
  const size_t cut = server.find_last_of(L"\\/");
  const std::wstring name = cut == std::wstring::npos ? server : server.substr(cut + 1);
  const std::wstring folder = cut == std::wstring::npos ? system : server.substr(0, cut);
  if (!IsWalkableName(name.c_str())) return std::wstring();
  const ProtectedFolders none;
  const OpenedRoot systemFolder = OpenRoot(system, none, false);
  const OpenedRoot written = OpenRoot(folder, none, false);
  if (systemFolder.check != RootCheck::Ready || written.check != RootCheck::Ready ||
      !(systemFolder.identity == written.identity)) {
    return std::wstring();
  }
  const OpenedFile file = OpenFileIn(written, name, OpenFor::Measuring, nullptr);
  if (file.check != SingleFileCheck::Ready) return std::wstring();
  return system + L"\\" + name;
}

std::wstring ErrorText(const char* step, HRESULT hr) {
  char text[96];
  std::snprintf(text, sizeof text, "%s failed (error 0x%08lX)", step, static_cast<unsigned long>(hr));
  return win::FromUtf8(text);
}

// The handler's progress reports: each one passes the run's pause gate and
// answers E_ABORT once the run asks to stop. Lives on the worker's stack for
// the calls it is handed to; its reference count is not its lifetime.
class Callback : public IEmptyVolumeCacheCallBack {
 public:
  Callback(HandlerWatch& watch, const std::wstring& displayName) : watch_(watch), displayName_(displayName) {}

  HRESULT WINAPI QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IEmptyVolumeCacheCallBack) {
      *out = static_cast<IEmptyVolumeCacheCallBack*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }

  HRESULT WINAPI ScanProgress(DWORDLONG, DWORD, LPCWSTR) override { return Answer(false); }
  HRESULT WINAPI PurgeProgress(DWORDLONG freed, DWORDLONG, DWORD, LPCWSTR) override {
    freed_ = freed;
    return Answer(true);
  }

  bool Stopped() const { return stopped_; }
  uint64_t Freed() const { return freed_; }

 private:
  HRESULT Answer(bool purging) {
    watch_.Pass();
    watch_.Working(displayName_);
    if (!watch_.StopAsked()) return S_OK;
    if (purging && !stopped_) watch_.Stopping(displayName_);
    stopped_ = true;
    return E_ABORT;
  }

  HandlerWatch& watch_;
  const std::wstring& displayName_;
  bool stopped_ = false;
  uint64_t freed_ = 0;
};

void TakeString(LPWSTR& text, std::wstring* into) {
  if (text == nullptr) return;
  if (into != nullptr) *into = text;
  ::CoTaskMemFree(text);
  text = nullptr;
}

// Initialize or, where the handler has it, InitializeEx (which takes the
// key's name). S_FALSE: nothing to clean.
HRESULT Initialise(IEmptyVolumeCache* cache, HKEY key, const std::wstring& name, std::wstring& displayName) {
  const std::wstring volume = SystemVolume();
  LPWSTR display = nullptr, description = nullptr, button = nullptr;
  DWORD flags = 0;
  HRESULT hr;
  win::ComRef<IEmptyVolumeCache2> second;
  if (SUCCEEDED(cache->QueryInterface(IID_IEmptyVolumeCache2, second.PutVoid())) && second) {
    hr = second->InitializeEx(key, volume.c_str(), name.c_str(), &display, &description, &button, &flags);
  } else {
    hr = cache->Initialize(key, volume.c_str(), &display, &description, &flags);
  }
  TakeString(display, &displayName);
  TakeString(description, nullptr);
  TakeString(button, nullptr);
  return hr;
}

using GetClassObjectCall = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);

// The handler object from its checked server; the server stays loaded.
HRESULT CreateHandler(const std::wstring& path, const CLSID& clsid, win::ComRef<IEmptyVolumeCache>& cache) {
  HMODULE module = win::LoadCheckedSystemFolderDll(path);
  if (module == nullptr) return HRESULT_FROM_WIN32(::GetLastError());
  auto getClassObject = reinterpret_cast<GetClassObjectCall>(
      reinterpret_cast<void*>(::GetProcAddress(module, "DllGetClassObject")));
  if (getClassObject == nullptr) return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  win::ComRef<IClassFactory> factory;
  HRESULT hr = getClassObject(clsid, IID_IClassFactory, factory.PutVoid());
  if (FAILED(hr) || !factory) return FAILED(hr) ? hr : E_NOINTERFACE;
  hr = factory->CreateInstance(nullptr, IID_IEmptyVolumeCache, cache.PutVoid());
  return SUCCEEDED(hr) && !cache ? E_NOINTERFACE : hr;
}

// The measuring and purging of a created handler; Deactivate is the caller's.
void Drive(IEmptyVolumeCache* cache, HKEY key, const std::wstring& name, bool purge, HandlerWatch& watch,
           HandlerRun& run) {
  HRESULT hr = Initialise(cache, key, name, run.displayName);
  if (run.displayName.empty()) run.displayName = name;
  if (FAILED(hr)) {
    run.failure = ErrorText("Initialize", hr);
    return;
  }
  run.end = HandlerEnd::Done;
  if (hr == S_FALSE) return;  // nothing to clean
  Callback callback(watch, run.displayName);
  watch.Working(run.displayName);
  DWORDLONG used = 0;
  hr = cache->GetSpaceUsed(&used, &callback);
  if (callback.Stopped() || hr == E_ABORT) {
    run.end = HandlerEnd::Stopped;
    return;
  }
  if (FAILED(hr)) {
    run.end = HandlerEnd::Failed;
    run.failure = ErrorText("GetSpaceUsed", hr);
    return;
  }
  run.spaceBefore = used;
  run.spaceAfter = used;
  if (!purge || used == 0) return;
  {
    Purging counted(watch);
    hr = cache->Purge(used, &callback);
  }
  if (callback.Stopped() || hr == E_ABORT) {
    // Asked again it would only be stopped at its first report: what it
    // said it had freed is what went.
    run.end = HandlerEnd::Stopped;
    run.spaceAfter = used - (callback.Freed() < used ? callback.Freed() : used);
    return;
  }
  if (FAILED(hr)) {
    run.end = HandlerEnd::Failed;
    run.failure = ErrorText("Purge", hr);
  }
  // Asked again; stopped or failing there, what it said it had freed is what went.
  DWORDLONG left = used;
  const bool measured = SUCCEEDED(cache->GetSpaceUsed(&left, &callback)) && !callback.Stopped();
  const uint64_t freed = callback.Freed() < used ? callback.Freed() : used;
  run.spaceAfter = measured ? (left < used ? left : used) : used - freed;
}

}  // namespace

bool CanRunHandlers() { return !IsWow64Process(); }

std::vector<std::wstring> RegisteredHandlers(const wchar_t* const* names) {
  std::vector<std::wstring> found;
  for (; names != nullptr && *names != nullptr; ++names) {
    if (OpenHandlerKey(*names)) found.push_back(*names);
  }
  return found;
}

CategoryStatus HandlersStatus(const wchar_t* const* names) {
  if (!CanRunHandlers()) return CategoryStatus::NeedsSixtyFourBit;
  return RegisteredHandlers(names).empty() ? CategoryStatus::NoHandler : CategoryStatus::Done;
}

HandlerRun RunHandler(const std::wstring& name, bool purge, HandlerWatch& watch) {
  HandlerRun run;
  run.displayName = name;
  win::UniqueRegKey key = OpenHandlerKey(name);
  std::wstring clsidText, server;
  CLSID clsid;
  if (!key || !ReadString(key.Get(), nullptr, clsidText) || !ParseClsid(clsidText, clsid)) {
    run.end = HandlerEnd::Refused;
    run.refusedPath = std::wstring(L"HKLM\\") + kVolumeCachesKey + L"\\" + name;
    return run;
  }
  const std::wstring serverKey = kMachineClasses + clsidText + L"\\InprocServer32";
  win::UniqueRegKey inproc = OpenMachineKey(serverKey);
  if (!inproc || !ReadString(inproc.Get(), nullptr, server)) {
    run.end = HandlerEnd::Refused;
    run.refusedPath = L"HKLM\\" + serverKey;
    return run;
  }
  const std::wstring expanded = Expanded(server);
  const std::wstring path = CheckedServerPath(expanded);
  if (path.empty()) {
    run.end = HandlerEnd::Refused;
    run.refusedPath = expanded.empty() ? server : expanded;
    return run;
  }
  win::ComRef<IEmptyVolumeCache> cache;
  const HRESULT created = CreateHandler(path, clsid, cache);
  if (FAILED(created)) {
    run.failure = ErrorText("loading the handler", created);
    return run;
  }
  Drive(cache.Get(), key.Get(), name, purge, watch, run);
  DWORD flags = 0;
  cache->Deactivate(&flags);
  return run;
}

void RunHandlerWatch::Pass() { task_.run->RunGate.Pass(); }

bool RunHandlerWatch::StopAsked() { return sweep_ ? task_.run->ShuttingDown() : task_.run->ScanMustStop(); }

void RunHandlerWatch::PurgeUnderWay(bool started) {
  if (started) {
    ++task_.run->PurgesUnderWay;
  } else {
    --task_.run->PurgesUnderWay;
  }
}

void RunHandlerWatch::Working(const std::wstring& displayName) {
  if (sweep_) {
    task_.owner->ShowSweepingPath(displayName);
  } else {
    task_.owner->ShowScanningPath(displayName);
  }
}

void RunHandlerWatch::Stopping(const std::wstring& displayName) { task_.owner->HandlerStopping(task_.item, displayName); }

ComOnThisThread::ComOnThisThread() {
  initialised_ = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

ComOnThisThread::~ComOnThisThread() {
  if (initialised_) ::CoUninitialize();
}

}  // namespace purlo

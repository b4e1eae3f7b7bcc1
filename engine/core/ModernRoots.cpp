#include "engine/core/ModernRoots.h"

#include <shlobj.h>

#include "engine/core/RootExpansion.h"

namespace purlo {

namespace {

using C = JunkCategory;

const wchar_t* const kChromeChannels[] = {L"Google\\Chrome", L"Google\\Chrome Beta", L"Google\\Chrome Dev",
                                          L"Google\\Chrome SxS", nullptr};
const wchar_t* const kEdgeChannels[] = {L"Microsoft\\Edge", L"Microsoft\\Edge Beta", L"Microsoft\\Edge Dev",
                                        L"Microsoft\\Edge SxS", nullptr};
const wchar_t* const kOtherChromiums[] = {L"BraveSoftware\\Brave-Browser", L"Vivaldi", L"Tencent\\QQBrowser",
                                          L"Yandex\\YandexBrowser", nullptr};
const wchar_t* const kFirefoxCaches[] = {L"cache2", L"startupCache", L"thumbnails", L"jumpListCache", L"OfflineCache",
                                         nullptr};
const wchar_t* const kLocalShaderCaches[] = {L"D3DSCache",      L"NVIDIA\\DXCache", L"NVIDIA\\GLCache",
                                             L"NVIDIA Corporation\\NV_Cache", L"AMD\\DxCache", L"AMD\\DxcCache",
                                             L"AMD\\GLCache",    L"AMD\\VkCache",    nullptr};
const wchar_t* const kLowShaderCaches[] = {L"NVIDIA\\PerDriverVersion\\DXCache", L"AMD\\DxCache", L"Intel\\ShaderCache",
                                           nullptr};
const wchar_t* const kMachineReports[] = {L"ReportArchive", L"ReportQueue", L"Temp", nullptr};
const wchar_t* const kUserReports[] = {L"ReportArchive", L"ReportQueue", nullptr};
const wchar_t* const kLocalDevCaches[] = {L"pip\\Cache", L"npm-cache", L"NuGet\\v3-cache", L"NuGet\\plugins-cache",
                                          L"Yarn\\Cache", nullptr};
const wchar_t* const kPackageTemps[] = {L"TempState", L"AC\\Temp", L"AC\\INetCache", nullptr};
const wchar_t* const kChatCaches[] = {L"Cache", L"Code Cache", L"GPUCache", L"DawnCache", nullptr};
const wchar_t* const kWorkerCaches[] = {L"Cache", L"Code Cache", L"GPUCache", L"DawnCache",
                                        L"Service Worker\\CacheStorage", nullptr};
const wchar_t* const kEditorCaches[] = {L"Cache",      L"Code Cache",          L"GPUCache", L"DawnCache",
                                        L"CachedData", L"CachedExtensionVSIXs", L"logs",     nullptr};
const wchar_t* const kDiscords[] = {L"discord", L"discordptb", L"discordcanary", nullptr};
const wchar_t* const kEditors[] = {L"Code", L"Code - Insiders", L"VSCodium", L"Cursor", nullptr};

const wchar_t kAppCacheIndex[] = L"Cache\\Cache_Data\\index";
const wchar_t kDumps[] = L"*.dmp";

struct Builder {
  SystemLookups& lookups;
  std::vector<RecipeRoot>& out;
  bool user;
  bool machine;

  bool Folder(int csidl, std::wstring& folder) { return lookups.SpecialFolder(csidl, folder); }

  void Add(const std::wstring& path, RootClass rootClass, const std::wstring& lock = std::wstring(),
           const wchar_t* pattern = nullptr) {
    out.push_back(RecipeRoot{path, rootClass, lock, pattern});
  }
  void AddFound(const std::vector<FoundRoot>& found) {
    for (const FoundRoot& root : found) Add(root.path, RootClass::PerUser, root.lock);
  }
  // The user's roots below one of their folders.
  void UserTails(int csidl, const wchar_t* const* tails, const wchar_t* pattern = nullptr) {
    std::wstring base;
    if (!user || !Folder(csidl, base)) return;
    for (const wchar_t* const* tail = tails; *tail != nullptr; ++tail) {
      Add(base + L"\\" + *tail, RootClass::PerUser, std::wstring(), pattern);
    }
  }
  void MachineTail(int csidl, const wchar_t* tail, const wchar_t* pattern = nullptr) {
    std::wstring base;
    if (machine && Folder(csidl, base)) Add(base + L"\\" + tail, RootClass::Machine, std::wstring(), pattern);
  }

  void ChromiumUserData(const wchar_t* const* products) {
    std::wstring local;
    if (!user || !Folder(CSIDL_LOCAL_APPDATA, local)) return;
    for (const wchar_t* const* product = products; *product != nullptr; ++product) {
      std::vector<FoundRoot> found;
      AddChromiumUserData(lookups, local + L"\\" + *product + L"\\User Data", found);
      AddFound(found);
    }
  }

  // Opera's profile is its roaming folder itself; its caches lie in the local one.
  void Opera() {
    std::wstring local, roaming;
    if (!user || !Folder(CSIDL_LOCAL_APPDATA, local) || !Folder(CSIDL_APPDATA, roaming)) return;
    std::vector<FoundRoot> found;
    AddChromiumProfileCaches(local + L"\\Opera Software\\Opera Stable",
                             roaming + L"\\Opera Software\\Opera Stable\\lockfile", found);
    AddFound(found);
  }

  // The local profile holds the caches; the roaming one of the same name holds the lock.
  void Firefox() {
    std::wstring local, roaming;
    if (!user || !Folder(CSIDL_LOCAL_APPDATA, local) || !Folder(CSIDL_APPDATA, roaming)) return;
    const std::wstring profiles = local + L"\\Mozilla\\Firefox\\Profiles";
    for (const std::wstring& child : MatchingChildren(lookups, profiles, L"*", nullptr)) {
      const std::wstring name = child.substr(child.rfind(L'\\') + 1);
      std::vector<FoundRoot> found;
      AddTails(child, kFirefoxCaches, roaming + L"\\Mozilla\\Firefox\\Profiles\\" + name + L"\\parent.lock", found);
      AddFound(found);
    }
  }

  void ShaderCaches() {
    UserTails(CSIDL_LOCAL_APPDATA, kLocalShaderCaches);
    std::wstring low;
    if (user && lookups.LocalLowFolder(low)) {
      for (const wchar_t* const* tail = kLowShaderCaches; *tail != nullptr; ++tail) {
        Add(low + L"\\" + *tail, RootClass::PerUser);
      }
    }
    MachineTail(CSIDL_COMMON_APPDATA, L"NVIDIA Corporation\\NV_Cache");
  }

  // Where the system writes its small dumps: the crash settings' folder, else its default.
  void CrashDumps() {
    std::wstring windows;
    if (machine && Folder(CSIDL_WINDOWS, windows)) {
      std::wstring minidumps;
      if (lookups.ReadString(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\CrashControl", L"MinidumpDir",
                             minidumps) == RegRead::Ok) {
        minidumps = ExpandWithSystemVariables(minidumps);
      } else {
        minidumps.clear();
      }
      Add(minidumps.empty() ? windows + L"\\Minidump" : minidumps, RootClass::Machine, std::wstring(), kDumps);
      Add(windows + L"\\LiveKernelReports", RootClass::Machine, std::wstring(), kDumps);
    }
    static const wchar_t* const kUserDumps[] = {L"CrashDumps", nullptr};
    UserTails(CSIDL_LOCAL_APPDATA, kUserDumps, kDumps);
  }

  void ErrorReports() {
    std::wstring data;
    if (machine && Folder(CSIDL_COMMON_APPDATA, data)) {
      for (const wchar_t* const* tail = kMachineReports; *tail != nullptr; ++tail) {
        Add(data + L"\\Microsoft\\Windows\\WER\\" + *tail, RootClass::Machine);
      }
    }
    MachineTail(CSIDL_WINDOWS, L"PCHealth\\ErrorRep");
    std::wstring local;
    if (user && Folder(CSIDL_LOCAL_APPDATA, local)) {
      for (const wchar_t* const* tail = kUserReports; *tail != nullptr; ++tail) {
        Add(local + L"\\Microsoft\\Windows\\WER\\" + *tail, RootClass::PerUser);
      }
    }
  }

  void DevToolCaches() {
    UserTails(CSIDL_LOCAL_APPDATA, kLocalDevCaches);
    static const wchar_t* const kRoamingNpm[] = {L"npm-cache", nullptr};
    UserTails(CSIDL_APPDATA, kRoamingNpm);
  }

  void StoreAppTemp() {
    std::wstring local;
    if (!user || !Folder(CSIDL_LOCAL_APPDATA, local)) return;
    std::vector<FoundRoot> found;
    AddChildRoots(lookups, local + L"\\Packages", ChildRoots{L"*", nullptr, kPackageTemps, nullptr}, found);
    AddFound(found);
  }

  void AppFolder(const std::wstring& folder, const wchar_t* const* tails) {
    std::vector<FoundRoot> found;
    AddTails(folder, tails, folder + L"\\" + kAppCacheIndex, found);
    AddFound(found);
  }

  void AppCaches() {
    std::wstring local, roaming;
    if (!user || !Folder(CSIDL_LOCAL_APPDATA, local) || !Folder(CSIDL_APPDATA, roaming)) return;
    AppFolder(roaming + L"\\Microsoft\\Teams", kWorkerCaches);
    std::vector<FoundRoot> found;
    AddChildRoots(lookups, local + L"\\Packages\\MSTeams_8wekyb3d8bbwe\\LocalCache\\Microsoft\\MSTeams\\EBWebView",
                  ChildRoots{L"*", nullptr, kWorkerCaches, kAppCacheIndex}, found);
    AddFound(found);
    for (const wchar_t* const* name = kDiscords; *name != nullptr; ++name) AppFolder(roaming + L"\\" + *name, kChatCaches);
    AppFolder(roaming + L"\\Slack", kWorkerCaches);
    for (const wchar_t* const* name = kEditors; *name != nullptr; ++name) AppFolder(roaming + L"\\" + *name, kEditorCaches);
  }

  void WindowsLogs() {
    MachineTail(CSIDL_WINDOWS, L"Logs\\CBS", L"CbsPersist_*.log|CbsPersist_*.cab");
    MachineTail(CSIDL_WINDOWS, L"Logs\\DISM", L"*.log");
    MachineTail(CSIDL_WINDOWS, L"Logs\\MoSetup", L"*.log");
    MachineTail(CSIDL_WINDOWS, L"Logs\\WindowsUpdate", L"*.etl");
  }
};

}  // namespace

bool BuildModernRoots(JunkCategory category, SystemLookups& lookups, std::vector<RecipeRoot>& out) {
  const RunPart part = lookups.User().part;
  Builder add{lookups, out, part != RunPart::Machine, part != RunPart::User};
  switch (category) {
    case C::ChromeCache: add.ChromiumUserData(kChromeChannels); return true;
    case C::EdgeCache: add.ChromiumUserData(kEdgeChannels); return true;
    case C::ChromiumCaches:
      add.ChromiumUserData(kOtherChromiums);
      add.Opera();
      return true;
    case C::FirefoxCache: add.Firefox(); return true;
    case C::ShaderCaches: add.ShaderCaches(); return true;
    case C::CrashDumps: add.CrashDumps(); return true;
    case C::ErrorReports: add.ErrorReports(); return true;
    case C::DevToolCaches: add.DevToolCaches(); return true;
    case C::StoreAppTemp: add.StoreAppTemp(); return true;
    case C::AppCaches: add.AppCaches(); return true;
    case C::WindowsLogs: add.WindowsLogs(); return true;
    case C::FileDialogHistory: out.push_back(RecipeRoot{Info(category).taskLabel, RootClass::Marker}); return true;
    default: return false;
  }
}

std::vector<HistoryKeySpec> ModernHistoryKeys(JunkCategory category, int windowsMajor) {
  if (category != C::FileDialogHistory) return {};
  if (windowsMajor == 5) {
    return {{L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU", true},
            {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU", false}};
  }
  if (windowsMajor == 6) {
    return {{L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSavePidlMRU", true},
            {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedPidlMRU", false},
            {L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\TypedPaths", false}};
  }
  return {};
}

}  // namespace purlo

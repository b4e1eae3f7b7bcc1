#include "engine/core/ModernRoots.h"

#include <shlobj.h>

#include "engine/core/RootExpansion.h"

namespace purlo {

namespace {

const wchar_t* const kChromeChannels[] = {L"Google\\Chrome", L"Google\\Chrome Beta", L"Google\\Chrome Dev",
                                          L"Google\\Chrome SxS", nullptr};
const wchar_t* const kEdgeChannels[] = {L"Microsoft\\Edge", L"Microsoft\\Edge Beta", L"Microsoft\\Edge Dev",
                                        L"Microsoft\\Edge SxS", nullptr};
const wchar_t* const kOtherChromiums[] = {L"BraveSoftware\\Brave-Browser", L"Vivaldi", L"Tencent\\QQBrowser",
                                          L"Yandex\\YandexBrowser", nullptr};
const wchar_t* const kFirefoxCaches[] = {L"cache2", L"startupCache", L"thumbnails", L"jumpListCache", L"OfflineCache",
                                         nullptr};
const wchar_t* const kLowShaderCaches[] = {L"NVIDIA\\PerDriverVersion\\DXCache", L"AMD\\DxCache", L"Intel\\ShaderCache",
                                           nullptr};
const wchar_t* const kPackageTemps[] = {L"TempState", L"AC\\Temp", L"AC\\INetCache", nullptr};
const wchar_t* const kChatCaches[] = {L"Cache", L"Code Cache", L"GPUCache", L"DawnCache", nullptr};
const wchar_t* const kWorkerCaches[] = {L"Cache", L"Code Cache", L"GPUCache", L"DawnCache",
                                        L"Service Worker\\CacheStorage", nullptr};
const wchar_t* const kEditorCaches[] = {L"Cache",      L"Code Cache",          L"GPUCache", L"DawnCache",
                                        L"CachedData", L"CachedExtensionVSIXs", L"logs",     nullptr};
const wchar_t* const kDiscords[] = {L"discord", L"discordptb", L"discordcanary", nullptr};
const wchar_t* const kEditors[] = {L"Code", L"Code - Insiders", L"VSCodium", L"Cursor", nullptr};

// A running Chromium app holds its cache's index without sharing deletion.
const wchar_t kAppCacheIndex[] = L"Cache\\Cache_Data\\index";

void ChromiumProducts(SystemLookups& lookups, const wchar_t* const* products, std::vector<FoundRoot>& roots) {
  std::wstring local;
  if (!lookups.SpecialFolder(CSIDL_LOCAL_APPDATA, local)) return;
  for (const wchar_t* const* product = products; *product != nullptr; ++product) {
    AddChromiumUserData(lookups, local + L"\\" + *product + L"\\User Data", roots);
  }
}

void AppFolder(const std::wstring& folder, const wchar_t* const* tails, std::vector<FoundRoot>& roots) {
  AddTails(folder, tails, folder + L"\\" + kAppCacheIndex, roots);
}

}  // namespace

void ChromeCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  ChromiumProducts(lookups, kChromeChannels, roots);
}

void EdgeCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  ChromiumProducts(lookups, kEdgeChannels, roots);
}

// Opera's profile is its roaming folder itself, which holds the lock; its
// caches lie in the local folder of the same name.
void OtherChromiumRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  ChromiumProducts(lookups, kOtherChromiums, roots);
  std::wstring local, roaming;
  if (!lookups.SpecialFolder(CSIDL_LOCAL_APPDATA, local) || !lookups.SpecialFolder(CSIDL_APPDATA, roaming)) return;
  AddChromiumProfileCaches(local + L"\\Opera Software\\Opera Stable",
                           roaming + L"\\Opera Software\\Opera Stable\\lockfile", roots);
}

// The local profile holds the caches; the roaming one of the same name holds the lock.
void FirefoxCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  std::wstring local, roaming;
  if (!lookups.SpecialFolder(CSIDL_LOCAL_APPDATA, local) || !lookups.SpecialFolder(CSIDL_APPDATA, roaming)) return;
  for (const std::wstring& child : MatchingChildren(lookups, local + L"\\Mozilla\\Firefox\\Profiles", L"*", nullptr)) {
    const std::wstring name = child.substr(child.rfind(L'\\') + 1);
    AddTails(child, kFirefoxCaches, roaming + L"\\Mozilla\\Firefox\\Profiles\\" + name + L"\\parent.lock", roots);
  }
}

void LowShaderCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  std::wstring low;
  if (lookups.LocalLowFolder(low)) AddTails(low, kLowShaderCaches, std::wstring(), roots);
}

namespace {

// A path of the crash settings, expanded with the system's own variables;
// else `fallback` in the Windows folder.
void CrashSetting(SystemLookups& lookups, const wchar_t* value, const wchar_t* fallback, std::vector<FoundRoot>& roots) {
  std::wstring path;
  if (lookups.ReadString(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\CrashControl", value, path) ==
      RegRead::Ok) {
    path = ExpandWithSystemVariables(path);
  } else {
    path.clear();
  }
  if (path.empty() && lookups.SpecialFolder(CSIDL_WINDOWS, path)) path += fallback;
  if (!path.empty()) roots.push_back(FoundRoot{path, std::wstring()});
}

}  // namespace

void MemoryDumpRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  CrashSetting(lookups, L"DumpFile", L"\\MEMORY.DMP", roots);
}

void MinidumpRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  CrashSetting(lookups, L"MinidumpDir", L"\\Minidump", roots);
}

void StorePackageRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  std::wstring local;
  if (!lookups.SpecialFolder(CSIDL_LOCAL_APPDATA, local)) return;
  AddChildRoots(lookups, local + L"\\Packages", ChildRoots{L"*", nullptr, kPackageTemps, nullptr}, roots);
}

void AppCacheRoots(SystemLookups& lookups, std::vector<FoundRoot>& roots) {
  std::wstring local, roaming;
  if (!lookups.SpecialFolder(CSIDL_LOCAL_APPDATA, local) || !lookups.SpecialFolder(CSIDL_APPDATA, roaming)) return;
  AppFolder(roaming + L"\\Microsoft\\Teams", kWorkerCaches, roots);
  AddChildRoots(lookups, local + L"\\Packages\\MSTeams_8wekyb3d8bbwe\\LocalCache\\Microsoft\\MSTeams\\EBWebView",
                ChildRoots{L"*", nullptr, kWorkerCaches, kAppCacheIndex}, roots);
  for (const wchar_t* const* name = kDiscords; *name != nullptr; ++name) {
    AppFolder(roaming + L"\\" + *name, kChatCaches, roots);
  }
  AppFolder(roaming + L"\\Slack", kWorkerCaches, roots);
  for (const wchar_t* const* name = kEditors; *name != nullptr; ++name) {
    AppFolder(roaming + L"\\" + *name, kEditorCaches, roots);
  }
}

}  // namespace purlo

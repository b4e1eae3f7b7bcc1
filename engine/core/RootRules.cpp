#include "engine/core/RootRules.h"

#include <shlobj.h>

#include "engine/core/Paths.h"

namespace purlo {

namespace {

using C = JunkCategory;

struct RootBuilder {
  SystemLookups& lookups;
  std::vector<std::wstring>& paths;

  void AddUnder(int csidl, const wchar_t* tail) {
    std::wstring base;
    if (lookups.SpecialFolder(csidl, base)) paths.push_back(base + tail);
  }
  void AddUnderVariable(const wchar_t* variable, const wchar_t* tail) {
    std::wstring base;
    if (lookups.ExpandVariable(variable, base)) paths.push_back(base + tail);
  }
};

void OfficeCaches(SystemLookups& lookups, std::vector<std::wstring>& paths) {
  for (wchar_t letter = L'C'; letter <= L'Z'; ++letter) {
    std::wstring drive{letter, L':'};
    if (lookups.DriveType(drive) == DRIVE_FIXED) paths.push_back(drive + L"\\MSOCache");
  }
}

void FirefoxPlaces(SystemLookups& lookups, std::vector<std::wstring>& paths) {
  std::wstring appData;
  if (!lookups.ExpandVariable(L"%APPDATA%", appData)) return;
  const std::wstring profiles = appData + L"\\Mozilla\\Firefox\\Profiles\\";
  std::wstring profile = ChooseFirefoxProfile(lookups.Subfolders(profiles));
  // Without a profile folder there is no history file to name.
  if (!profile.empty()) paths.push_back(profiles + profile + L"\\places.sqlite");
}

bool MaxthonHistoryFile(SystemLookups& lookups, std::vector<std::wstring>& paths) {
  std::wstring folder;
  RegRead read = lookups.ReadString(HKEY_CURRENT_USER, L"Software\\Maxthon2", L"Folder", folder);
  if (read == RegRead::KeyMissing) return false;
  if (read == RegRead::Ok && !folder.empty()) {
    if (folder.back() != L'\\') folder += L'\\';
    paths.push_back(folder + L"SharedAccount\\Data\\history2.dat");
  }
  return true;
}

bool TheWorldData(SystemLookups& lookups, std::vector<std::wstring>& paths) {
  std::wstring path;
  RegRead read = lookups.ReadString(HKEY_LOCAL_MACHINE,
                                    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\TheWorld.exe",
                                    L"Path", path);
  if (read == RegRead::KeyMissing) return false;
  if (read == RegRead::Ok && !path.empty()) paths.push_back(path + L"\\data");
  return true;
}

bool BuildsUserPart(SystemLookups& lookups) { return lookups.User().part != RunPart::Machine; }
bool BuildsMachinePart(SystemLookups& lookups) { return lookups.User().part != RunPart::User; }

void StormFiles(SystemLookups& lookups, std::vector<std::wstring>& paths) {
  std::wstring exePath;
  if (BuildsUserPart(lookups) && lookups.ReadString(HKEY_CURRENT_USER, L"Software\\storm", L"exepath", exePath) == RegRead::Ok) {
    size_t cut = exePath.rfind(L'\\');
    if (cut != std::wstring::npos) exePath.erase(cut);
    if (!exePath.empty()) paths.push_back(exePath + L"\\playlist.smpl");
  }
  if (!BuildsMachinePart(lookups)) return;
  RootBuilder add{lookups, paths};
  add.AddUnder(CSIDL_COMMON_APPDATA, L"\\Storm\\playlist.smpl");
  add.AddUnder(CSIDL_COMMON_APPDATA, L"\\Storm\\config.xml");
}

}  // namespace

bool HasFileRoots(JunkCategory category) {
  const CountingMethod method = Info(category).method;
  return method != CountingMethod::RecycleBin && method != CountingMethod::RegistryValues &&
         method != CountingMethod::CleanupHandlers;
}

std::wstring ChooseFirefoxProfile(const std::vector<std::wstring>& profileFolders) {
  for (const std::wstring& name : profileFolders) {
    if (name.find(L"default") != std::wstring::npos) return name;
  }
  return profileFolders.empty() ? std::wstring() : profileFolders.back();
}

const wchar_t* HistoryKey(JunkCategory category, int windowsMajor) {
  switch (category) {
    case C::IeTypedUrls: return L"Software\\Microsoft\\Internet Explorer\\TypedURLs";
    case C::RunHistory: return L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RunMRU";
    case C::SearchHistory: return L"Software\\Microsoft\\Search Assistant\\ACMru\\5603";
    case C::BaiduToolbarHistory: return L"Software\\baidu\\BaiduToolbar\\History";
    case C::QqToolbarHistory:
      if (windowsMajor == 5) return L"Software\\Tencent\\QQToolbar\\History";
      if (windowsMajor == 6) return L"Software\\AppDataLow\\Tencent\\QQToolbar\\History";
      return nullptr;
    default: return nullptr;
  }
}

Roots BuildRoots(JunkCategory category, int windowsMajor, SystemLookups& lookups) {
  Roots roots;
  std::vector<std::wstring>& paths = roots.paths;
  RootBuilder add{lookups, paths};
  switch (category) {
    case C::SystemTemp: {
      std::wstring temp;
      if (BuildsUserPart(lookups)) {
        if (!lookups.TempPath(temp, roots.error)) {
          roots.outcome = RootsOutcome::TempPathFailed;
          return roots;
        }
        paths.push_back(temp);
      }
      if (BuildsMachinePart(lookups)) add.AddUnder(CSIDL_WINDOWS, L"\\Temp");
      break;
    }
    case C::Prefetch: add.AddUnder(CSIDL_WINDOWS, L"\\Prefetch"); break;
    case C::RecycleBin: paths.push_back(kRecycleBinMarker); break;
    case C::IeTemp: add.AddUnder(CSIDL_INTERNET_CACHE, L""); break;
    case C::IeCookies: add.AddUnder(CSIDL_COOKIES, L""); break;
    case C::DownloadedPrograms: add.AddUnder(CSIDL_WINDOWS, L"\\Downloaded Program Files"); break;
    case C::UpdateDownloads: add.AddUnder(CSIDL_WINDOWS, L"\\SoftwareDistribution\\Download"); break;
    case C::OfficeSetupCache: OfficeCaches(lookups, paths); break;
    case C::RecentDocs: add.AddUnderVariable(L"%USERPROFILE%", L"\\Recent"); break;
    case C::IeTypedUrls:
    case C::RunHistory:
    case C::SearchHistory:
    case C::QqToolbarHistory:
    case C::BaiduToolbarHistory:
    case C::PreviousInstallations:
    case C::UpdateCleanup:
    case C::DeliveryOptimization:
    case C::DriverPackages:
    case C::ThumbnailCache: paths.push_back(Info(category).taskLabel); break;
    case C::FirefoxHistory: FirefoxPlaces(lookups, paths); break;
    case C::MaxthonHistory:
      if (!MaxthonHistoryFile(lookups, paths)) roots.outcome = RootsOutcome::NotInstalled;
      break;
    case C::TheWorldHistory:
      if (!TheWorldData(lookups, paths)) roots.outcome = RootsOutcome::NotInstalled;
      break;
    case C::GoogleToolbarHistory: add.AddUnder(CSIDL_APPDATA, L"\\Google\\Local Search History"); break;
    case C::RealPlayerHistory: add.AddUnderVariable(L"%APPDATA%", L"\\Real\\RealPlayer\\History"); break;
    case C::StormPlayerHistory: StormFiles(lookups, paths); break;
    case C::QqPlayerHistory:
      if (windowsMajor == 5) {
        add.AddUnder(CSIDL_APPDATA, L"\\Tencent\\QQPlayer\\default.qpl");
      } else if (windowsMajor == 6) {
        add.AddUnderVariable(L"%APPDATA%", L"\\Tencent\\QQPlayer");
        add.AddUnderVariable(L"%APPDATA%", L"\\Tencent\\QQPlayer\\QPUpdate");
        add.AddUnderVariable(L"%APPDATA%", L"\\Tencent\\QQPlayer\\QPLyric");
      }
      break;
    case C::KankanHistory:
      if (windowsMajor == 5) {
        add.AddUnder(CSIDL_COMMON_APPDATA, L"\\Thunder Network\\XMP\\Playlists");
      } else if (windowsMajor == 6) {
        add.AddUnderVariable(L"%APPDATA%", L"\\Microsoft\\Windows\\Cookies\\Low\\Thunder Network\\KanKan\\Cookie");
      }
      break;
  }
  return roots;
}

}  // namespace purlo

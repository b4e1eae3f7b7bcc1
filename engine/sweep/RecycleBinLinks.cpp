#include "engine/sweep/RecycleBinLinks.h"

#include <windows.h>

#include <sddl.h>

#include <memory>

#include "engine/core/CheckedOpen.h"
#include "engine/core/FileHandles.h"
#include "engine/core/Paths.h"
#include "engine/core/SystemLookups.h"
#include "win/Handles.h"

namespace purlo {

namespace {

// The value of an environment variable; empty when it is not set.
std::wstring Variable(const wchar_t* name) {
  const std::wstring reference = std::wstring(L"%") + name + L"%";
  wchar_t value[1024];
  const DWORD n = ::ExpandEnvironmentStringsW(reference.c_str(), value, 1024);
  if (n == 0 || n > 1024 || reference == value) return std::wstring();
  return std::wstring(value);
}

// Wine keeps the bin in the desktop's trash on the Unix side, in the home
// folder (Wine 8), or where WINE_HOST_XDG_DATA_HOME says (later Wine): both,
// where set. Empty where this is not Wine.
std::vector<std::wstring> WineTrashFolders() {
  std::vector<std::wstring> folders;
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  if (ntdll == nullptr || ::GetProcAddress(ntdll, "wine_get_version") == nullptr) return folders;
  const std::wstring home = Variable(L"WINEHOMEDIR");  // \??\unix\home\name
  if (home.compare(0, 4, L"\\??\\") == 0) folders.push_back(L"\\\\?\\" + home.substr(4) + L"/.local/share/Trash/files");
  const std::wstring dataHome = Variable(L"WINE_HOST_XDG_DATA_HOME");
  if (!dataHome.empty() && dataHome[0] == L'/') folders.push_back(L"\\\\?\\unix" + dataHome + L"/Trash/files");
  for (std::wstring& folder : folders) {
    for (wchar_t& c : folder) {
      if (c == L'/') c = L'\\';
    }
  }
  return folders;
}

bool IsLinkAttribute(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// Whether an item listed as a plain file or folder leads elsewhere: Wine
// lists a Unix link to a file as a plain file, and only where its handle
// really is tells.
bool LeadsElsewhere(HANDLE folder, const ListedEntry& entry, const std::wstring& folderReal) {
  const bool isFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  DWORD error = 0;
  win::UniqueFile item =
      OpenRelative(folder, entry.name, entry.nameLength, isFolder ? OpenFor::Listing : OpenFor::Measuring, error);
  if (!item) return false;
  return !IsReallyAt(item.Get(), folderReal + L"\\" + std::wstring(entry.name, entry.nameLength));
}

// Removes the link through a handle on the link itself; one that followed it
// would delete its target, so such a handle is never marked.
bool RemoveLink(HANDLE folder, const ListedEntry& entry) {
  DWORD error = 0;
  win::UniqueFile link = OpenRelative(folder, entry.name, entry.nameLength, OpenFor::RemovingLink, error);
  if (!link) return IsMissingError(error);
  HandleFacts facts;
  if (!FactsOf(link.Get(), facts, false) || !IsLinkAttribute(facts.attributes)) return false;
  return MarkForDeletion(link.Get(), true);
}

void RemoveLinksIn(const std::wstring& path, std::vector<std::wstring>& left) {
  DWORD error = 0;
  win::UniqueFile folder = OpenFolderByPath(path, false, error);
  HandleFacts facts;
  if (!folder || !FactsOf(folder.Get(), facts, false)) return;
  std::wstring real;
  if (RealPathOf(folder.Get(), real)) real = WithoutTrailingBackslashes(real);
  else real.clear();
  // A bin folder that is itself a link (the user's own folder swapped for
  // one) holds nothing of the bin: nothing is removed there. (Wine's trash,
  // named by its Unix path, really lies wherever Wine maps that path.)
  const bool namedOnDrive = path.size() > 2 && path[1] == L':';
  const bool movedAway = namedOnDrive && !real.empty() && !SamePath(real, WithoutTrailingBackslashes(LongForm(path)));
  if (IsLinkAttribute(facts.attributes) || movedAway) {
    left.push_back(path);
    return;
  }
  FolderListing listing(folder.Get());
  ListedEntry entry;
  while (listing.Next(entry)) {
    if (!IsLinkAttribute(entry.attributes) && (real.empty() || !LeadsElsewhere(folder.Get(), entry, real))) continue;
    if (!RemoveLink(folder.Get(), entry)) left.push_back(path + L"\\" + std::wstring(entry.name, entry.nameLength));
  }
}

}  // namespace

std::vector<std::wstring> RecycleBinFolders() {
  std::vector<std::wstring> folders;
  const std::wstring sid = ProcessUserSid();
  const DWORD drives = ::GetLogicalDrives();
  for (int letter = 0; letter < 26; ++letter) {
    if ((drives & (1u << letter)) == 0) continue;
    const std::wstring drive = std::wstring(1, static_cast<wchar_t>(L'A' + letter)) + L":\\";
    if (::GetDriveTypeW(drive.c_str()) != DRIVE_FIXED) continue;
    if (!sid.empty()) {
      folders.push_back(drive + L"$Recycle.Bin\\" + sid);  // Vista on
      folders.push_back(drive + L"RECYCLER\\" + sid);      // XP, NTFS
    }
    folders.push_back(drive + L"RECYCLED");  // XP, FAT
  }
  for (const std::wstring& wine : WineTrashFolders()) folders.push_back(wine);
  return folders;
}

std::vector<std::wstring> RemoveRecycleBinLinks() {
  std::vector<std::wstring> left;
  for (const std::wstring& folder : RecycleBinFolders()) RemoveLinksIn(folder, left);
  return left;
}

}  // namespace purlo

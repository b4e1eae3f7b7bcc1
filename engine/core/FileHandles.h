// Files and folders reached through handles, never by a path resolved again:
// children opened relative to their folder's handle without following
// reparse points, listings read through the folder's handle, facts and
// deletion asked of the handle itself. Every call goes through ntdll (looked
// up at run time; all of them exist on Windows XP).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "win/Handles.h"

namespace purlo {

// What a file or folder is, whichever name reached it: the volume's serial
// number and the file's index on it.
struct FileIdentity {
  DWORD volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity& o) const { return volume == o.volume && index == o.index; }
  bool operator<(const FileIdentity& o) const { return volume != o.volume ? volume < o.volume : index < o.index; }
};

// True for a 32-bit process on 64-bit Windows.
bool IsWow64Process();

// A 32-bit process on 64-bit Windows sees SysWOW64 where System32 is named;
// while this lives, the calling thread's opens by path see the folders as
// they are. Looked up at run time (XP has no WOW64); a no-op elsewhere. Keep
// its scope to opens: nothing may load a library while it lives.
class FileSystemRedirectionOff {
 public:
  FileSystemRedirectionOff();
  ~FileSystemRedirectionOff();
  FileSystemRedirectionOff(const FileSystemRedirectionOff&) = delete;
  FileSystemRedirectionOff& operator=(const FileSystemRedirectionOff&) = delete;
  bool Off() const { return off_; }

 private:
  void* old_ = nullptr;
  bool off_ = false;
};

// What the handle itself says of what it opened.
struct HandleFacts {
  FileIdentity identity;
  DWORD attributes = 0;
  uint64_t size = 0;
  DWORD links = 1;
};
// With withIdentity false, `identity` is left as it is (it costs a question
// to the volume).
bool FactsOf(HANDLE handle, HandleFacts& facts, bool withIdentity);
// The same with the identity's volume serial number given, for a folder
// known to lie on that volume (a sub-folder of a folder on it that is no
// reparse point, really at its parent's real location + its name).
bool FactsOnVolume(HANDLE handle, DWORD volume, HandleFacts& facts);
// The cheaper part, once per file: size, number of names, and whether it is
// a folder (FILE_ATTRIBUTE_DIRECTORY, the only attribute it sets).
bool SizeOf(HANDLE handle, HandleFacts& facts);

// One entry of a folder listing. `name` points into the listing's buffer and
// holds until the next call of Next.
struct ListedEntry {
  const wchar_t* name = nullptr;
  size_t nameLength = 0;
  // The short (8.3) name where the file system gave the entry one besides.
  const wchar_t* shortName = nullptr;
  size_t shortNameLength = 0;
  DWORD attributes = 0;
  uint64_t size = 0;
  uint64_t fileId = 0;  // 0 where the file system has none
  LARGE_INTEGER creationTime = {}, lastWriteTime = {};
};

// Reads the entries of the folder open as `folder` (opened for listing,
// synchronously), "." and ".." left out.
class FolderListing {
 public:
  explicit FolderListing(HANDLE folder) : folder_(folder) {}
  bool Next(ListedEntry& entry);

 private:
  bool Fill();
  HANDLE folder_;
  std::vector<unsigned char> buffer_;
  size_t offset_ = 0;
  bool filled_ = false;
  bool restart_ = true;
  bool ended_ = false;
};

enum class OpenFor {
  Listing,         // a folder to list
  ListingAndRemoval,  // a folder to list, then remove when emptied
  Measuring,       // a file to measure
  Deleting,        // a file to delete
  RemovingLink,    // a link of either kind, itself, to remove (never its target where the system honours that)
};

// Opens `name` (one component) relative to the folder open as `folder`,
// without following a final reparse point where the system honours that; a
// folder for the two listing kinds, a file otherwise. `error` gets the Win32
// error of a failure: ERROR_DIRECTORY where a file was asked for and a folder
// found, ERROR_FILE_NOT_FOUND for a name being deleted.
// A name from a listing is matched exactly; `anyCase` matches it in any case,
// as a name a person wrote (on Wine a name that is not there then costs a
// read of the whole folder).
win::UniqueFile OpenRelative(HANDLE folder, const wchar_t* name, size_t nameLength, OpenFor purpose, DWORD& error,
                             bool anyCase = false);

// Opens a root folder by its path, links on the way and at the end followed
// (a root may be a junction); for listing, and for removal when asked and
// allowed.
win::UniqueFile OpenFolderByPath(const std::wstring& path, bool forRemoval, DWORD& error);

// Marks the file or folder open as `handle` (opened with DELETE access) for
// deletion when the handle closes. ignoreReadOnly deletes a read-only file
// where the system can do so without changing its attributes. False when
// the system refused (a read-only file without that, a folder not empty).
bool MarkForDeletion(HANDLE handle, bool ignoreReadOnly);
// Whether MarkForDeletion can ignore read-only on this system (known after
// its first call).
bool DeletesReadOnlyInPlace();

// Sets the attributes of what `handle` opened (FILE_WRITE_ATTRIBUTES).
bool SetAttributesOf(HANDLE handle, DWORD attributes);

bool IsMissingError(DWORD error);

}  // namespace purlo

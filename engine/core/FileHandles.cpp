#include "engine/core/FileHandles.h"

#include <winternl.h>

#include <atomic>
#include <cstring>

namespace purlo {

namespace {

// ntdll's records and values, spelled out: the headers hide most of them.
constexpr LONG kStatusNoMoreFiles = static_cast<LONG>(0x80000006);
constexpr LONG kStatusBufferOverflow = static_cast<LONG>(0x80000005);
constexpr LONG kStatusNotImplemented = static_cast<LONG>(0xC0000002);
constexpr LONG kStatusInvalidInfoClass = static_cast<LONG>(0xC0000003);
constexpr LONG kStatusInvalidParameter = static_cast<LONG>(0xC000000D);
constexpr LONG kStatusAccessDenied = static_cast<LONG>(0xC0000022);
constexpr LONG kStatusNotSupported = static_cast<LONG>(0xC00000BB);
constexpr LONG kStatusFileIsADirectory = static_cast<LONG>(0xC00000BA);
constexpr LONG kStatusDeletePending = static_cast<LONG>(0xC0000056);


constexpr int kFileBasicInformation = 4;
constexpr int kFileStandardInformation = 5;
constexpr int kFileInternalInformation = 6;
constexpr int kFileDispositionInformation = 13;
constexpr int kFileIdBothDirectoryInformation = 37;
constexpr int kFileDispositionInformationEx = 64;
constexpr int kFileFsVolumeInformation = 1;

constexpr ULONG kFileOpen = 1;
constexpr ULONG kDirectoryFile = 0x1;
constexpr ULONG kSynchronousIoNonAlert = 0x20;
constexpr ULONG kNonDirectoryFile = 0x40;
constexpr ULONG kOpenForBackupIntent = 0x4000;
constexpr ULONG kOpenReparsePoint = 0x200000;
constexpr ULONG kObjCaseInsensitive = 0x40;

constexpr ULONG kDispositionDelete = 0x1;
constexpr ULONG kDispositionPosixSemantics = 0x2;
constexpr ULONG kDispositionIgnoreReadOnly = 0x10;

struct BasicInformation {
  LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime;  // 0: unchanged
  ULONG fileAttributes;
};
struct StandardInformation {
  LARGE_INTEGER allocationSize, endOfFile;
  ULONG numberOfLinks;
  BOOLEAN deletePending, directory;
};
struct IdBothDirInformation {
  ULONG nextEntryOffset, fileIndex;
  LARGE_INTEGER creationTime, lastAccessTime, lastWriteTime, changeTime, endOfFile, allocationSize;
  ULONG fileAttributes, fileNameLength, eaSize;
  CCHAR shortNameLength;
  WCHAR shortName[12];
  LARGE_INTEGER fileId;
  WCHAR fileName[1];
};
struct VolumeInformation {
  LARGE_INTEGER creationTime;
  ULONG serialNumber, labelLength;
  BOOLEAN supportsObjects;
  WCHAR label[64];
};

using NtCreateFileFn = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, LARGE_INTEGER*, ULONG,
                                    ULONG, ULONG, ULONG, void*, ULONG);
using NtQueryDirectoryFileFn = LONG(NTAPI*)(HANDLE, HANDLE, void*, void*, IO_STATUS_BLOCK*, void*, ULONG, int, BOOLEAN,
                                            UNICODE_STRING*, BOOLEAN);
using NtFileInfoFn = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, int);
using StatusToErrorFn = ULONG(NTAPI*)(LONG);


struct NtCalls {
  NtCreateFileFn createFile = nullptr;
  NtQueryDirectoryFileFn queryDirectory = nullptr;
  NtFileInfoFn queryInformation = nullptr;
  NtFileInfoFn setInformation = nullptr;
  NtFileInfoFn queryVolume = nullptr;
  StatusToErrorFn toError = nullptr;
  NtCalls() {
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    auto find = [ntdll](const char* name) { return reinterpret_cast<void*>(::GetProcAddress(ntdll, name)); };
    createFile = reinterpret_cast<NtCreateFileFn>(find("NtCreateFile"));
    queryDirectory = reinterpret_cast<NtQueryDirectoryFileFn>(find("NtQueryDirectoryFile"));
    queryInformation = reinterpret_cast<NtFileInfoFn>(find("NtQueryInformationFile"));
    setInformation = reinterpret_cast<NtFileInfoFn>(find("NtSetInformationFile"));
    queryVolume = reinterpret_cast<NtFileInfoFn>(find("NtQueryVolumeInformationFile"));
    toError = reinterpret_cast<StatusToErrorFn>(find("RtlNtStatusToDosError"));
  }
  bool Ready() const {
    return createFile && queryDirectory && queryInformation && setInformation && queryVolume && toError;
  }
};

const NtCalls& Nt() {
  static const NtCalls calls;
  return calls;
}

bool Succeeded(LONG status) { return status >= 0; }

// -1 not known yet, 0 the system has no extended disposition, 1 it has.
std::atomic<int> ExtendedDisposition{-1};

template <typename Record>
bool Query(HANDLE handle, Record& record, int infoClass) {
  IO_STATUS_BLOCK io = {};
  return Succeeded(Nt().queryInformation(handle, &io, &record, sizeof record, infoClass));
}

template <typename Record>
LONG SetInformation(HANDLE handle, Record& record, int infoClass) {
  IO_STATUS_BLOCK io = {};
  return Nt().setInformation(handle, &io, &record, sizeof record, infoClass);
}

// `name` in the folder open as `folder`, for the calls that take a name.
OBJECT_ATTRIBUTES RelativeName(HANDLE folder, const wchar_t* name, size_t nameLength, UNICODE_STRING& text) {
  text.Buffer = const_cast<wchar_t*>(name);
  text.Length = static_cast<USHORT>(nameLength * sizeof(wchar_t));
  text.MaximumLength = text.Length;
  OBJECT_ATTRIBUTES object = {};
  object.Length = sizeof object;
  object.RootDirectory = folder;
  object.ObjectName = &text;
  object.Attributes = kObjCaseInsensitive;
  return object;
}

}  // namespace

// A name the system will not open (Wine refuses control characters in names) is
// still there: the scan counts it and the sweep reports it as failed.
bool IsMissingError(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool SizeOf(HANDLE handle, HandleFacts& facts) {
  if (!Nt().Ready()) return false;
  StandardInformation standard = {};
  if (!Query(handle, standard, kFileStandardInformation)) return false;
  facts.attributes = standard.directory ? FILE_ATTRIBUTE_DIRECTORY : 0;
  facts.size = static_cast<uint64_t>(standard.endOfFile.QuadPart);
  facts.links = standard.numberOfLinks;
  return true;
}

namespace {

bool SizeAndAttributes(HANDLE handle, HandleFacts& facts) {
  BasicInformation basic = {};
  if (!SizeOf(handle, facts) || !Query(handle, basic, kFileBasicInformation)) return false;
  facts.attributes |= basic.fileAttributes;
  return true;
}

bool IndexOf(HANDLE handle, uint64_t& index) {
  LARGE_INTEGER internal = {};
  if (!Query(handle, internal, kFileInternalInformation)) return false;
  index = static_cast<uint64_t>(internal.QuadPart);
  return true;
}

}  // namespace

// Three questions of the file itself, each answered from the handle; the
// volume's serial number is a question to the volume (under Wine, to its
// mount manager, some hundred microseconds).
bool FactsOf(HANDLE handle, HandleFacts& facts, bool withIdentity) {
  if (!SizeAndAttributes(handle, facts)) return false;
  if (!withIdentity) return true;
  uint64_t index = 0;
  if (!IndexOf(handle, index)) return false;
  VolumeInformation volume = {};
  IO_STATUS_BLOCK io = {};
  const LONG status = Nt().queryVolume(handle, &io, &volume, sizeof volume, kFileFsVolumeInformation);
  if (!Succeeded(status) && status != kStatusBufferOverflow) return false;
  facts.identity.volume = volume.serialNumber;
  facts.identity.index = index;
  return true;
}

bool FactsOnVolume(HANDLE handle, DWORD volume, HandleFacts& facts) {
  if (!SizeAndAttributes(handle, facts) || !IndexOf(handle, facts.identity.index)) return false;
  facts.identity.volume = volume;
  return true;
}

bool FolderListing::Fill() {
  if (buffer_.empty()) buffer_.resize(16 * 1024);
  IO_STATUS_BLOCK io = {};
  const LONG status = Nt().queryDirectory(folder_, nullptr, nullptr, nullptr, &io, buffer_.data(),
                                          static_cast<ULONG>(buffer_.size()), kFileIdBothDirectoryInformation, FALSE,
                                          nullptr, restart_ ? TRUE : FALSE);
  restart_ = false;
  offset_ = 0;
  filled_ = Succeeded(status) && status != kStatusNoMoreFiles && io.Information > 0;
  if (!filled_) ended_ = true;
  return filled_;
}

bool FolderListing::Next(ListedEntry& entry) {
  if (!Nt().Ready()) return false;
  for (;;) {
    if (ended_) return false;
    if (!filled_ && !Fill()) return false;
    const auto* info = reinterpret_cast<const IdBothDirInformation*>(buffer_.data() + offset_);
    if (info->nextEntryOffset == 0) {
      filled_ = false;
    } else {
      offset_ += info->nextEntryOffset;
    }
    const size_t length = info->fileNameLength / sizeof(wchar_t);
    const wchar_t* name = info->fileName;
    if ((length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.')) continue;
    entry.name = name;
    entry.nameLength = length;
    entry.shortName = info->shortName;
    entry.shortNameLength = info->shortNameLength > 0 ? static_cast<size_t>(info->shortNameLength) / sizeof(wchar_t) : 0;
    entry.attributes = info->fileAttributes;
    entry.size = static_cast<uint64_t>(info->endOfFile.QuadPart);
    entry.fileId = static_cast<uint64_t>(info->fileId.QuadPart);
    entry.creationTime = info->creationTime;
    entry.lastWriteTime = info->lastWriteTime;
    return true;
  }
}

win::UniqueFile OpenRelative(HANDLE folder, const wchar_t* name, size_t nameLength, OpenFor purpose, DWORD& error,
                             bool anyCase) {
  if (!Nt().Ready() || nameLength == 0 || nameLength > 32767) {
    error = ERROR_INVALID_FUNCTION;
    return win::UniqueFile();
  }
  ACCESS_MASK access = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  ULONG options = kSynchronousIoNonAlert | kOpenReparsePoint;
  switch (purpose) {
    case OpenFor::ListingAndRemoval: access |= DELETE; [[fallthrough]];
    case OpenFor::Listing:
      access |= FILE_LIST_DIRECTORY;
      options |= kDirectoryFile | kOpenForBackupIntent;
      break;
    case OpenFor::Deleting: access |= DELETE | FILE_WRITE_ATTRIBUTES; [[fallthrough]];
    case OpenFor::Measuring: options |= kNonDirectoryFile; break;
    case OpenFor::RemovingLink:
      access |= DELETE;
      options |= kOpenForBackupIntent;
      break;
  }
  UNICODE_STRING text;
  OBJECT_ATTRIBUTES object = RelativeName(folder, name, nameLength, text);
  if (!anyCase) object.Attributes &= ~kObjCaseInsensitive;
  for (;;) {
    HANDLE opened = nullptr;
    IO_STATUS_BLOCK io = {};
    const LONG status = Nt().createFile(&opened, access, &object, &io, nullptr, 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kFileOpen, options,
                                        nullptr, 0);
    if (Succeeded(status)) return win::UniqueFile(opened);
    // A folder the user may list but not remove is still walked; it stays.
    if (status == kStatusAccessDenied && purpose == OpenFor::ListingAndRemoval && (access & DELETE) != 0) {
      access &= ~static_cast<ACCESS_MASK>(DELETE);
      continue;
    }
    // A name being deleted by someone else is as good as gone.
    error = status == kStatusFileIsADirectory ? ERROR_DIRECTORY
            : status == kStatusDeletePending  ? ERROR_FILE_NOT_FOUND
                                              : Nt().toError(status);
    return win::UniqueFile();
  }
}

bool IsWow64Process() {
  using Fn = BOOL(WINAPI*)(HANDLE, BOOL*);
  auto call = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return call != nullptr && call(::GetCurrentProcess(), &wow64) && wow64;
}

namespace {
using RedirectionFn = BOOL(WINAPI*)(void*);
RedirectionFn RedirectionCall(const char* name) {
  return reinterpret_cast<RedirectionFn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), name)));
}
}  // namespace

FileSystemRedirectionOff::FileSystemRedirectionOff() {
  if (!IsWow64Process()) return;
  RedirectionFn disable = RedirectionCall("Wow64DisableWow64FsRedirection");
  off_ = disable != nullptr && RedirectionCall("Wow64RevertWow64FsRedirection") != nullptr && disable(&old_);
}

FileSystemRedirectionOff::~FileSystemRedirectionOff() {
  if (off_) RedirectionCall("Wow64RevertWow64FsRedirection")(old_);
}

win::UniqueFile OpenFolderByPath(const std::wstring& path, bool forRemoval, DWORD& error) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const DWORD access = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
  if (forRemoval) {
    win::UniqueFile folder(::CreateFileW(path.c_str(), access | DELETE, share, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder) return folder;
  }
  win::UniqueFile folder(
      ::CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder) error = ::GetLastError();
  return folder;
}

bool MarkForDeletion(HANDLE handle, bool ignoreReadOnly) {
  if (!Nt().Ready()) return false;
  if (ExtendedDisposition.load() != 0) {
    // The name goes at once, not when the last handle closes, so the folder
    // holding it can be removed right after.
    ULONG flags = kDispositionDelete | kDispositionPosixSemantics;
    if (ignoreReadOnly) flags |= kDispositionIgnoreReadOnly;
    const LONG status = SetInformation(handle, flags, kFileDispositionInformationEx);
    if (Succeeded(status)) {
      ExtendedDisposition = 1;
      return true;
    }
    if (status == kStatusInvalidInfoClass || status == kStatusNotImplemented ||
        (status == kStatusInvalidParameter && ExtendedDisposition.load() == -1)) {
      ExtendedDisposition = 0;
    } else if (status != kStatusNotSupported && status != kStatusInvalidParameter) {
      return false;
    }
  }
  BOOLEAN deleteFile = TRUE;
  return Succeeded(SetInformation(handle, deleteFile, kFileDispositionInformation));
}

bool DeletesReadOnlyInPlace() { return ExtendedDisposition.load() == 1; }

bool SetAttributesOf(HANDLE handle, DWORD attributes) {
  if (!Nt().Ready()) return false;
  BasicInformation basic = {};
  basic.fileAttributes = attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
  return Succeeded(SetInformation(handle, basic, kFileBasicInformation));
}

}  // namespace purlo

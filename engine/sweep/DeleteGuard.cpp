#include "engine/sweep/DeleteGuard.h"

#include "engine/core/CheckedOpen.h"
#include "engine/core/Paths.h"
#include "win/Handles.h"

namespace purlo {

namespace {

// Marks the open file for deletion. A read-only one, where the system cannot
// ignore the attribute, loses it just before and gets it back when the
// deletion is refused, or when the file has other names (hard links), which
// share its attributes and stay.
bool DeleteThroughHandle(HANDLE file, bool deleteReadOnly) {
  if (MarkForDeletion(file, deleteReadOnly)) return true;
  HandleFacts facts;
  if (!deleteReadOnly || !FactsOf(file, facts, false) || (facts.attributes & FILE_ATTRIBUTE_READONLY) == 0) {
    return false;
  }
  const DWORD attributes = facts.attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY);
  if (!SetAttributesOf(file, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY))) return false;
  const bool marked = MarkForDeletion(file, false);
  if (!marked || facts.links > 1) SetAttributesOf(file, attributes);
  return marked;
}

// After the handle that deleted it has closed: whether the name really went.
// Wine carries out a deletion when the handle closes, by the path the file
// had when it was opened, and only when that path still leads to the same
// file; a folder on the way swapped for a link since leaves the file where
// it was. Asked by an open relative to the folder's own handle (Wine answers
// cheaper questions, for a name's attributes or a listing by name, by the
// folder's path, which may be a link by then).
bool IsGone(HANDLE folder, const wchar_t* name, size_t nameLength, bool anyCase = false) {
  DWORD error = 0;
  win::UniqueFile still = OpenRelative(folder, name, nameLength, OpenFor::Measuring, error, anyCase);
  return !still && (IsMissingError(error) || error == ERROR_DIRECTORY);
}

FileDeletion Deleted(uint64_t bytes) { return FileDeletion{DeleteOutcome::Deleted, bytes}; }
FileDeletion Outcome(DeleteOutcome outcome) { return FileDeletion{outcome, 0}; }

}  // namespace

FileDeletion DeleteListedFile(HANDLE folder, const ListedEntry& listed, const std::wstring& expectedReal,
                              bool deleteReadOnly) {
  DWORD error = 0;
  win::UniqueFile file = OpenRelative(folder, listed.name, listed.nameLength, OpenFor::Deleting, error);
  if (!file) {
    return Outcome(IsMissingError(error) ? DeleteOutcome::Missing
                   : error == ERROR_DIRECTORY ? DeleteOutcome::Elsewhere
                                               : DeleteOutcome::Failed);
  }
  // Opened as a file, never a folder. (A reparse point opened as itself,
  // where the system honours that, is only the link: deleting it leaves its
  // target. Wine shows none.)
  if (!expectedReal.empty()) {
    std::wstring real;
    if (!RealPathOf(file.Get(), real)) return Outcome(DeleteOutcome::Failed);
    if (!SamePath(real, expectedReal)) return Outcome(DeleteOutcome::Elsewhere);
  }
  if (!DeleteThroughHandle(file.Get(), deleteReadOnly)) return Outcome(DeleteOutcome::Failed);
  file.Reset();
  if (!IsGone(folder, listed.name, listed.nameLength)) return Outcome(DeleteOutcome::Failed);
  return Deleted(listed.size);
}

namespace {

FileDeletion DeleteOpenedFile(OpenedFile opened, bool deleteReadOnly) {
  switch (opened.check) {
    case SingleFileCheck::Ready: break;
    case SingleFileCheck::Missing: return Outcome(DeleteOutcome::Missing);
    case SingleFileCheck::Protected: return Outcome(DeleteOutcome::Protected);
    case SingleFileCheck::Elsewhere: return Outcome(DeleteOutcome::Elsewhere);
    case SingleFileCheck::Failed: return Outcome(DeleteOutcome::Failed);
  }
  if (!DeleteThroughHandle(opened.handle.Get(), deleteReadOnly)) return Outcome(DeleteOutcome::Failed);
  opened.handle.Reset();
  if (!IsGone(opened.folder, opened.name.data(), opened.name.size(), true)) return Outcome(DeleteOutcome::Failed);
  return Deleted(opened.facts.size);
}

}  // namespace

FileDeletion DeleteSingleFile(const std::wstring& path, bool deleteReadOnly, const ProtectedFolders& protectedFolders,
                              std::vector<FileIdentity>* seen) {
  return DeleteOpenedFile(OpenSingleFile(path, protectedFolders, OpenFor::Deleting, seen), deleteReadOnly);
}

FileDeletion DeleteFileIn(const OpenedRoot& folder, const std::wstring& name, bool deleteReadOnly,
                          std::vector<FileIdentity>* seen) {
  return DeleteOpenedFile(OpenFileIn(folder, name, OpenFor::Deleting, seen), deleteReadOnly);
}

}  // namespace purlo

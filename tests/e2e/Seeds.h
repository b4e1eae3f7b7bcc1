// Known junk laid into the prefix's real locations, one category at a time,
// for the end-to-end runs of purlo-cli. Each seed first clears what it seeds.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

struct Expected {
  std::wstring label;
  uint64_t items;
  uint64_t bytes;
};

struct CategoryCase {
  const wchar_t* id;
  // Lays the junk for Windows major version 5 or 6 and returns what a scan must report.
  Expected (*seed)(int version);
  // Locations that must hold nothing of the seed after a sweep (and that a
  // sweep keeps: folders stay, registry keys stay).
  std::vector<std::wstring> (*roots)(int version);
};

const std::vector<CategoryCase>& AllCases();

// Names a case by its identifier in test listings.
void PrintTo(const CategoryCase& c, std::ostream* os);

// Clears every location of every case: a clean slate for a run over all of them.
void ClearAllLocations(int version);

// "label(3个文件,...)" as a scan writes it becomes "label(清理3个文件,...)".
std::wstring SweepLabel(const wchar_t* id, const std::wstring& scanLabel);
// A file beside the root, outside it, named after `tag` and the root: a sweep must leave it.
std::wstring SentinelFor(const std::wstring& root, const std::wstring& tag);
// What lies inside a case's roots and a sweep keeps: folders that are roots of
// the same task, and the folders the category never enters with their files.
std::vector<std::wstring> NestedRoots(const CategoryCase& c, int version);
// Empty, but for the files and folders in `keptRoots`, each folder empty in the same sense.
bool IsEmptyFolder(const std::wstring& path, const std::vector<std::wstring>& keptRoots = {});

// Fills the small drive T: (a tmpfs, tests/e2e/small_drive.sh) to its last byte; a fatal failure when it does not fill.
void FillSmallDrive();

}  // namespace testing_support

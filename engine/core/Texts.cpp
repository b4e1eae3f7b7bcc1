#include "engine/core/Texts.h"

namespace purlo {

namespace texts {

const wchar_t kAppTitle[] = L"Purlo";
const wchar_t kSweepDone[] = L"清除完毕";

const wchar_t kNothingFound[] = L"扫描已经完成，没有发现需要清理的文件。";

const wchar_t kScanFailed[] = L"扫描失败请重试!";
const wchar_t kSweepFailed[] = L"清理失败请重试!";
const wchar_t kClearFailed[] = L"清除失败请重试!";
const wchar_t kAnotherRunHoldsTheLock[] = L"另一个扫描或清理正在运行(Purlo 或 purlo-cli)，请等它结束后再试。";

const wchar_t kSweptOpening[] = L"(清理";
const wchar_t kFilesCounted[] = L"个文件,";
const wchar_t kEntriesClosing[] = L"项)";
const wchar_t kFreeableOpening[] = L"(可释放";
const wchar_t kFreedOpening[] = L"(已释放";

const wchar_t kScanSummaryOpening[] = L"扫描已经完成，共发现垃圾文件";
const wchar_t kScanSummaryCount[] = L"个,";
const wchar_t kScanSummaryClosing[] = L"。建议您立即清理。";
const wchar_t kSweepSummaryOpening[] = L"已经成功清理选中的文件，为您节省了";
const wchar_t kSweepSummaryClosing[] = L"的磁盘空间。";

}  // namespace texts

const wchar_t* StatusText(CategoryStatus status) {
  switch (status) {
    case CategoryStatus::Done: return L"done";
    case CategoryStatus::NotInstalled: return L"not installed";
    case CategoryStatus::InUse: return L"in use";
    case CategoryStatus::HiveNotLoaded: return L"hive not loaded";
    case CategoryStatus::NotThisUser: return L"not this user";
    case CategoryStatus::NoUser: return L"no user";
    case CategoryStatus::NoHandler: return L"no handler";
    case CategoryStatus::NeedsSixtyFourBit: return L"needs 64-bit";
  }
  return L"done";
}

const wchar_t* RefusalText(RootRefusal why) {
  switch (why) {
    case RootRefusal::Protected: return L"protected";
    case RootRefusal::AboveProtected: return L"above protected";
    case RootRefusal::OutsideProfile: return L"outside profile";
    case RootRefusal::OtherProfile: return L"other profile";
    case RootRefusal::Link: return L"link";
    case RootRefusal::NotLocal: return L"not local";
    case RootRefusal::BadSpelling: return L"bad spelling";
    case RootRefusal::PlantedHandler: return L"planted handler";
  }
  return L"protected";
}

}  // namespace purlo

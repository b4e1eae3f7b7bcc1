#include "engine/core/Texts.h"

namespace purlo {

namespace texts {

const wchar_t kAppTitle[] = L"Purlo";
const wchar_t kPrompt[] = L"提示";
const wchar_t kSweepDone[] = L"清除完毕";

const wchar_t kStartScan[] = L"开始扫描";
const wchar_t kPause[] = L"暂停";
const wchar_t kContinue[] = L"继续扫描";
const wchar_t kRescan[] = L"重新扫描";
const wchar_t kSweepNow[] = L"立即清理";
const wchar_t kCancelScan[] = L"取消扫描";
const wchar_t kAbout[] = L"　关　于　";

const wchar_t kWelcome[] = L" 定期清理系统中的无用文件，可以释放被占用的磁盘空间，让系统运行更流畅。";
const wchar_t kScanningPrefix[] = L"正在扫描: ";
const wchar_t kSweepingPrefix[] = L"正在清理: ";
const wchar_t kNothingFound[] = L"扫描已经完成，没有发现需要清理的文件。";

const wchar_t kTickToScan[] = L"请选择要扫描的项目";
const wchar_t kTickToSweep[] = L"请选择要清理的项目";
const wchar_t kCancelScanQuestion[] = L"是否取消正在进行的扫描?";
const wchar_t kScanFailed[] = L"扫描失败请重试!";
const wchar_t kSweepFailed[] = L"清理失败请重试!";
const wchar_t kClearFailed[] = L"清除失败请重试!";
const wchar_t kAnotherRunHoldsTheLock[] = L"另一个扫描或清理正在运行(Purlo 或 purlo-cli)，请等它结束后再试。";

const wchar_t kSweptOpening[] = L"(清理";
const wchar_t kFilesCounted[] = L"个文件,";
const wchar_t kEntriesClosing[] = L"项)";
const wchar_t kFreeableOpening[] = L"(可释放";
const wchar_t kFreedOpening[] = L"(已释放";

const wchar_t kIrreversibleQuestion[] =
    L"选中的项目中有清理后无法撤销的内容:\n"
    L"旧的 Windows 安装: 清理后不能再退回到以前的 Windows 版本;\n"
    L"Windows 更新清理: 清理后不能再卸载已被取代的更新;\n"
    L"旧的设备驱动程序包: 清理后不能再回退到旧的驱动程序。\n"
    L"是否继续清理?";
const wchar_t kWaitingForHandler[] = L"正在等待 Windows 清理程序在下一步停止，请稍候(请勿关闭计算机)...";

const wchar_t kScanSummaryOpening[] = L"扫描已经完成，共发现垃圾文件";
const wchar_t kScanSummaryCount[] = L"个,";
const wchar_t kScanSummaryClosing[] = L"。建议您立即清理。";
const wchar_t kSweepSummaryOpening[] = L"已经成功清理选中的文件，为您节省了";
const wchar_t kSweepSummaryClosing[] = L"的磁盘空间。";

const wchar_t kCleansForOpening[] = L"　清理的是用户 ";
const wchar_t kCleansForClosing[] = L" 的文件。";

const wchar_t kAboutFieldFont[] = L"宋体";

}  // namespace texts

const wchar_t* CaptionText(Caption caption) {
  switch (caption) {
    case Caption::StartScan: return texts::kStartScan;
    case Caption::Pause: return texts::kPause;
    case Caption::Continue: return texts::kContinue;
    case Caption::Rescan: return texts::kRescan;
    case Caption::SweepNow: return texts::kSweepNow;
    case Caption::CancelScan: return texts::kCancelScan;
  }
  return texts::kStartScan;
}

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

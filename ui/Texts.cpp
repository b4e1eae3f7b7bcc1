#include "ui/Texts.h"

#include "res/captions.h"
#include "res/version.h"

namespace purlo {

namespace texts {

const wchar_t kPrompt[] = L"提示";

const wchar_t kStartScan[] = PURLO_WIDE(PURLO_CAPTION_START_SCAN);
const wchar_t kPause[] = L"暂停";
const wchar_t kContinue[] = L"继续扫描";
const wchar_t kRescan[] = L"重新扫描";
const wchar_t kSweepNow[] = PURLO_WIDE(PURLO_CAPTION_SWEEP_NOW);
const wchar_t kCancelScan[] = L"取消扫描";
const wchar_t kAboutInTemplate[] = PURLO_WIDE(PURLO_CAPTION_ABOUT);
const wchar_t kAbout[] = L"　关　于　";

const wchar_t kWelcome[] = L" 定期清理系统中的无用文件，可以释放被占用的磁盘空间，让系统运行更流畅。";
const wchar_t kScanningPrefix[] = L"正在扫描: ";
const wchar_t kSweepingPrefix[] = L"正在清理: ";

const wchar_t kTickToScan[] = L"请选择要扫描的项目";
const wchar_t kTickToSweep[] = L"请选择要清理的项目";
const wchar_t kCancelScanQuestion[] = L"是否取消正在进行的扫描?";
const wchar_t kIrreversibleQuestion[] =
    L"选中的项目中有清理后无法撤销的内容:\n"
    L"旧的 Windows 安装: 清理后不能再退回到以前的 Windows 版本;\n"
    L"Windows 更新清理: 清理后不能再卸载已被取代的更新;\n"
    L"旧的设备驱动程序包: 清理后不能再回退到旧的驱动程序。\n"
    L"是否继续清理?";
const wchar_t kWaitingForHandler[] = L"正在等待 Windows 清理程序在下一步停止，请稍候(请勿关闭计算机)...";

const wchar_t kAboutFieldFont[] = L"宋体";

}  // namespace texts

namespace {

const wchar_t kCleansForOpening[] = L"　清理的是用户 ";
const wchar_t kCleansForClosing[] = L" 的文件。";

}  // namespace

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

std::wstring CleansForNote(const std::wstring& userName) { return kCleansForOpening + userName + kCleansForClosing; }

}  // namespace purlo

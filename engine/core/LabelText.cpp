#include "engine/core/LabelText.h"

#include <cstdio>

#include "win/Text.h"

namespace purlo {

const wchar_t kNothingFound[] = L"扫描已经完成，没有发现需要清理的文件。";

SizeUnit UnitFor(double bytes) {
  if (bytes < 1024.0) return SizeUnit::Bytes;
  if (bytes < 1048576.0) return SizeUnit::Kilobytes;
  return SizeUnit::Megabytes;
}

std::wstring SizeNumber(double bytes) {
  double scaled = bytes;
  switch (UnitFor(bytes)) {
    case SizeUnit::Bytes: break;
    case SizeUnit::Kilobytes: scaled = bytes * 0.0009765625; break;
    case SizeUnit::Megabytes: scaled = bytes * 0.0009765625 * 0.0009765625; break;
  }
  char text[64];
  std::snprintf(text, sizeof text, "%0.3f", scaled);
  return win::FromUtf8(text);
}

namespace {

const wchar_t* UnitText(SizeUnit unit, const wchar_t* const (&texts)[3]) { return texts[static_cast<int>(unit)]; }

const wchar_t* const kLabelUnits[3] = {L"B)", L"KB)", L"MB)"};
const wchar_t* const kScanSummaryUnits[3] = {L"B。", L"KB。", L"MB。"};
const wchar_t* const kSweepSummaryUnits[3] = {L"B", L"KB", L"MB"};

}  // namespace

std::wstring FileLabel(const std::wstring& label, uint64_t items, double bytes, bool sweep) {
  return label + (sweep ? L"(清理" : L"(") + win::Decimal(items) + L"个文件," + SizeNumber(bytes) +
         UnitText(UnitFor(bytes), kLabelUnits);
}

std::wstring RegistryLabel(const std::wstring& label, uint64_t items, bool sweep) {
  return label + (sweep ? L"(清理" : L"(") + win::Decimal(items) + L"项)";
}

std::wstring ScanSummary(uint64_t items, double bytes) {
  return L"扫描已经完成，共发现垃圾文件" + win::Decimal(items) + L"个," + SizeNumber(bytes) +
         UnitText(UnitFor(bytes), kScanSummaryUnits) + L"建议您立即清理。";
}

std::wstring SweepSummary(double bytes) {
  return L"已经成功清理选中的文件，为您节省了" + SizeNumber(bytes) + UnitText(UnitFor(bytes), kSweepSummaryUnits) +
         L"的磁盘空间。";
}

}  // namespace purlo

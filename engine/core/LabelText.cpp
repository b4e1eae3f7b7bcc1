#include "engine/core/LabelText.h"

#include <cstdio>

#include "engine/core/Texts.h"
#include "win/Text.h"

namespace purlo {

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

const wchar_t* const kUnits[3] = {L"B", L"KB", L"MB"};

const wchar_t* UnitText(SizeUnit unit) { return kUnits[static_cast<int>(unit)]; }

// "1.500KB"
std::wstring SizeText(double bytes) { return SizeNumber(bytes) + UnitText(UnitFor(bytes)); }

const wchar_t* LabelOpening(bool sweep) { return sweep ? texts::kSweptOpening : L"("; }

}  // namespace

std::wstring FileLabel(const std::wstring& label, uint64_t items, double bytes, bool sweep) {
  return label + LabelOpening(sweep) + win::Decimal(items) + texts::kFilesCounted + SizeText(bytes) + L")";
}

std::wstring RegistryLabel(const std::wstring& label, uint64_t items, bool sweep) {
  return label + LabelOpening(sweep) + win::Decimal(items) + texts::kEntriesClosing;
}

std::wstring FreeableLabel(const std::wstring& label, double bytes, bool sweep) {
  return label + (sweep ? texts::kFreedOpening : texts::kFreeableOpening) + SizeText(bytes) + L")";
}

std::wstring ScanSummary(uint64_t items, double bytes) {
  return texts::kScanSummaryOpening + win::Decimal(items) + texts::kScanSummaryCount + SizeText(bytes) +
         texts::kScanSummaryClosing;
}

std::wstring SweepSummary(double bytes) {
  return texts::kSweepSummaryOpening + SizeText(bytes) + texts::kSweepSummaryClosing;
}

}  // namespace purlo

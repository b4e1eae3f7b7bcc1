// The texts a run writes: item labels and the two summaries.
#pragma once

#include <cstdint>
#include <string>

namespace purlo {

enum class SizeUnit { Bytes, Kilobytes, Megabytes };

// The unit is chosen on the unscaled value; there is no unit above megabytes.
SizeUnit UnitFor(double bytes);
// The byte total scaled to its unit and printed with three decimals.
std::wstring SizeNumber(double bytes);

// "label(N个文件,1.500KB)"; sweep labels read "(清理" for "(".
std::wstring FileLabel(const std::wstring& label, uint64_t items, double bytes, bool sweep);
// "label(N项)" / "label(清理N项)".
std::wstring RegistryLabel(const std::wstring& label, uint64_t items, bool sweep);

std::wstring ScanSummary(uint64_t items, double bytes);
std::wstring SweepSummary(double bytes);

extern const wchar_t kNothingFound[];

}  // namespace purlo

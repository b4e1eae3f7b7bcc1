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

// "label(N files,1.500KB)"; a sweep's label opens with what it removed.
std::wstring FileLabel(const std::wstring& label, uint64_t items, double bytes, bool sweep);
// "label(N entries)", or what a sweep removed.
std::wstring RegistryLabel(const std::wstring& label, uint64_t items, bool sweep);
// "label(可释放1.500MB)", or what a sweep freed: bytes only, no count.
std::wstring FreeableLabel(const std::wstring& label, double bytes, bool sweep);

std::wstring ScanSummary(uint64_t items, double bytes);
std::wstring SweepSummary(double bytes);

}  // namespace purlo

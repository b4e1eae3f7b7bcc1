// The texts the engines and both front ends share, each in one place: the
// program's title and a sweep's end, what a failed or refused run says, the
// pieces that labels and summaries are made of, the report's words. The
// dialog's own texts are in ui/Texts.h, the console's messages in
// cli/Messages.h; what a window opens with lives in its dialog template
// (res/*.rc), the categories' labels in the catalogue.
#pragma once

#include "engine/core/Statuses.h"

namespace purlo {

namespace texts {

// Titles of message boxes.
extern const wchar_t kAppTitle[];
extern const wchar_t kSweepDone[];

// The status line.
extern const wchar_t kNothingFound[];

// Messages.
extern const wchar_t kScanFailed[];
extern const wchar_t kSweepFailed[];
extern const wchar_t kClearFailed[];
// Why a run did not start: another one (Purlo or purlo-cli, any session) holds
// the machine's run lock. Shown under the failure text, and by purlo-cli.
extern const wchar_t kAnotherRunHoldsTheLock[];

// Pieces of a category's label after a run: "label(N files,1.500KB)" or
// "label(N entries)", a sweep's opening with what it removed.
extern const wchar_t kSweptOpening[];
extern const wchar_t kFilesCounted[];
extern const wchar_t kEntriesClosing[];
// A Windows clean-up handler's label counts no files: "label(可释放1.500MB)"
// after a scan, "label(已释放1.500MB)" after a sweep.
extern const wchar_t kFreeableOpening[];
extern const wchar_t kFreedOpening[];


// Pieces of the two summaries, around the count and the size "1.500KB".
extern const wchar_t kScanSummaryOpening[];
extern const wchar_t kScanSummaryCount[];
extern const wchar_t kScanSummaryClosing[];
extern const wchar_t kSweepSummaryOpening[];
extern const wchar_t kSweepSummaryClosing[];

}  // namespace texts

// The report's words: "done", "not installed", ... and "protected", ...
const wchar_t* StatusText(CategoryStatus status);
const wchar_t* RefusalText(RootRefusal why);

}  // namespace purlo

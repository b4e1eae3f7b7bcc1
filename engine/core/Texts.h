// The program's own texts, each in one place: the captions the code gives the
// buttons, the status lines, the messages and their titles, and the pieces
// that labels and summaries are made of. The engines, both front ends, the
// tests and the benchmark use these names. What a window opens with lives in
// its dialog template (res/*.rc), the categories' labels in the catalogue.
#pragma once

#include "engine/core/Statuses.h"

namespace purlo {

// The captions of the two run buttons. The dialog keeps the one each button
// shows and decides a click by it.
enum class Caption { StartScan, Pause, Continue, Rescan, SweepNow, CancelScan };

namespace texts {

// Titles of message boxes.
extern const wchar_t kAppTitle[];
extern const wchar_t kPrompt[];
extern const wchar_t kSweepDone[];

// Captions.
extern const wchar_t kStartScan[];
extern const wchar_t kPause[];
extern const wchar_t kContinue[];
extern const wchar_t kRescan[];
extern const wchar_t kSweepNow[];
extern const wchar_t kCancelScan[];
extern const wchar_t kAbout[];  // as the flashing About button is drawn anew

// The status line.
extern const wchar_t kWelcome[];
extern const wchar_t kScanningPrefix[];
extern const wchar_t kSweepingPrefix[];
extern const wchar_t kNothingFound[];

// Messages.
extern const wchar_t kTickToScan[];
extern const wchar_t kTickToSweep[];
extern const wchar_t kCancelScanQuestion[];
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

// Asked once before a sweep that includes a category whose clean-up cannot
// be undone (the earlier Windows, superseded updates, old drivers).
extern const wchar_t kIrreversibleQuestion[];
// The status line while the dialog, closed in the middle of a clean-up
// handler's purge, waits for the handler to stop (it is never killed).
extern const wchar_t kWaitingForHandler[];

// Pieces of the two summaries, around the count and the size "1.500KB".
extern const wchar_t kScanSummaryOpening[];
extern const wchar_t kScanSummaryCount[];
extern const wchar_t kScanSummaryClosing[];
extern const wchar_t kSweepSummaryOpening[];
extern const wchar_t kSweepSummaryClosing[];

// Beside the welcome line and after a scan's summary, when the dialog cleans
// for another user than the account it runs as: opening, the user's name, closing.
extern const wchar_t kCleansForOpening[];
extern const wchar_t kCleansForClosing[];

// The face of About's field fonts.
extern const wchar_t kAboutFieldFont[];

}  // namespace texts

const wchar_t* CaptionText(Caption caption);
// The report's words: "done", "not installed", ... and "protected", ...
const wchar_t* StatusText(CategoryStatus status);
const wchar_t* RefusalText(RootRefusal why);

}  // namespace purlo

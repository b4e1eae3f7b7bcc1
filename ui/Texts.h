// The dialog's own texts, each in one place: the run buttons' captions, the
// About button's two captions, the questions and prompts the dialog asks, its
// status line's pieces and About's field font. What the engines or both front
// ends say stays in engine/core/Texts.h (same namespace); captions a template
// shows as well are written once in res/captions.h.
#pragma once

#include <string>

#include "engine/core/Texts.h"

namespace purlo {

// The captions of the two run buttons. The dialog keeps the one each button
// shows and decides a click by it.
enum class Caption { StartScan, Pause, Continue, Rescan, SweepNow, CancelScan };

namespace texts {

// Titles of message boxes.
extern const wchar_t kPrompt[];

// Captions.
extern const wchar_t kStartScan[];
extern const wchar_t kPause[];
extern const wchar_t kContinue[];
extern const wchar_t kRescan[];
extern const wchar_t kSweepNow[];
extern const wchar_t kCancelScan[];
// The About button: as the template opens it, and as its flash draws it anew.
extern const wchar_t kAboutInTemplate[];
extern const wchar_t kAbout[];

// The status line.
extern const wchar_t kWelcome[];
extern const wchar_t kScanningPrefix[];
extern const wchar_t kSweepingPrefix[];

// Messages.
extern const wchar_t kTickToScan[];
extern const wchar_t kTickToSweep[];
extern const wchar_t kCancelScanQuestion[];
// Asked once before a sweep that includes a category whose clean-up cannot
// be undone (the earlier Windows, superseded updates, old drivers).
extern const wchar_t kIrreversibleQuestion[];
// The status line while the dialog, closed in the middle of a clean-up
// handler's purge, waits for the handler to stop (it is never killed).
extern const wchar_t kWaitingForHandler[];

// The face of About's field fonts.
extern const wchar_t kAboutFieldFont[];

}  // namespace texts

const wchar_t* CaptionText(Caption caption);
// Beside the welcome line and after a scan's summary, when the dialog cleans
// for another user than the account it runs as.
std::wstring CleansForNote(const std::wstring& userName);

}  // namespace purlo

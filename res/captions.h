// Captions that a dialog template shows and the code writes as well, each
// written once: the .rc files use them as they are, the code through
// PURLO_WIDE (res/version.h), in the texts table of ui/Texts.cpp. UTF-8.
#pragma once

// The run buttons as the main dialog opens; the code writes them back after a run.
#define PURLO_CAPTION_START_SCAN "开始扫描"
#define PURLO_CAPTION_SWEEP_NOW "立即清理"
// The About button as the main dialog opens. The flash writes it back wider,
// as "　关　于　" (ui/Texts.cpp): the two differ on purpose.
#define PURLO_CAPTION_ABOUT "关　于"

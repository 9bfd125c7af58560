#pragma once
// Switching the input method off, or on in one of five input modes, so that typing in
// the body starts in Japanese without the user switching by hand.

#include "ImeBackend.h"

namespace drv {

// The conversion value written for a mode: 1 full-width hiragana (25), 2 full-width
// katakana (27), 3 full-width letters (24), 4 half-width katakana (19), 5 half-width
// letters (16). Any other mode keeps the current value.
int imeConversionFor(int mode, int current);

// Mode 0 closes the input method and leaves its conversion alone; any other mode opens
// it and writes the mode's conversion value with the sentence mode unchanged. Nothing
// happens, and nothing is reported, without an input method.
void SetIme(int mode, ImeBackend& backend);

// The same on the program's input method: the installed backend, or the session's
// fcitx5 or IBus.
void SetIme(int mode);

// Starts learning which input method the session runs, so that the answer is there
// when the first switch comes.
void prepareIme();

// Replaces the program's backend (nullptr: back to the session's). The caller keeps ownership.
void setImeBackend(ImeBackend* backend);

} // namespace drv

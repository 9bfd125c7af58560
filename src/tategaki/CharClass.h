#pragma once
// How a character stands in a vertical column, and where a column may not break.

namespace drv::tate {

// A character's place in its cell.
enum class Placement {
    Upright,  // as in horizontal text: kanji, kana, full-width letters
    Rotated,  // turned 90° clockwise: ー, dashes, brackets, parentheses
    Moved,    // upright, shifted to the upper right: small kana, 、。
    Sideways, // a run of half-width letters and digits, turned 90° clockwise
    Across,   // one or two half-width digits upright side by side (縦中横)
};

// The placement of one full-width character (never Sideways or Across).
Placement placementOf(char32_t c);
// Half-width letters, digits and signs, which go into a sideways run.
bool isHalfWidth(char32_t c);
// Must not start a column: closing brackets, 、。・ and the like, small kana.
bool isNoStart(char32_t c);
// Must not end a column: opening brackets.
bool isNoEnd(char32_t c);

} // namespace drv::tate

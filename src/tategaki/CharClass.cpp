#include "CharClass.h"

#include <algorithm>
#include <array>

namespace drv::tate {

namespace {

template <std::size_t N> bool among(const std::array<char32_t, N>& set, char32_t c)
{
    return std::find(set.begin(), set.end(), c) != set.end();
}

constexpr std::array<char32_t, 16> kOpening{U'「', U'『', U'（', U'(',  U'［', U'[',  U'｛', U'{',
                                            U'【', U'〔', U'〈', U'《', U'〘', U'〖', U'＜', U'“'};
constexpr std::array<char32_t, 16> kClosing{U'」', U'』', U'）', U')',  U'］', U']',  U'｝', U'}',
                                            U'】', U'〕', U'〉', U'》', U'〙', U'〗', U'＞', U'”'};
// Turned with the text's direction: the long vowel mark, dashes, wave dashes, ellipses,
// and signs drawn along the line.
constexpr std::array<char32_t, 14> kAlongLine{U'ー', U'―', U'—', U'–',  U'‐',  U'－', U'〜',
                                              U'～', U'…', U'‥', U'＝', U'：', U'；', U'→'};
constexpr std::array<char32_t, 4> kMarks{U'、', U'。', U'，', U'．'};
constexpr std::array<char32_t, 8> kMiddle{U'・', U'：', U'；', U'！', U'？', U'‼', U'⁇', U'々'};

bool isSmallKana(char32_t c)
{
    switch (c) {
    case U'ぁ':
    case U'ぃ':
    case U'ぅ':
    case U'ぇ':
    case U'ぉ':
    case U'っ':
    case U'ゃ':
    case U'ゅ':
    case U'ょ':
    case U'ゎ':
    case U'ゕ':
    case U'ゖ':
    case U'ァ':
    case U'ィ':
    case U'ゥ':
    case U'ェ':
    case U'ォ':
    case U'ッ':
    case U'ャ':
    case U'ュ':
    case U'ョ':
    case U'ヮ':
    case U'ヵ':
    case U'ヶ':
        return true;
    default:
        return c >= 0x31F0 && c <= 0x31FF; // katakana phonetic extensions (ㇰ…ㇿ)
    }
}

} // namespace

Placement placementOf(char32_t c)
{
    if (among(kOpening, c) || among(kClosing, c) || among(kAlongLine, c)) return Placement::Rotated;
    if (among(kMarks, c) || isSmallKana(c)) return Placement::Moved;
    return Placement::Upright;
}

bool isHalfWidth(char32_t c)
{
    return c >= 0x21 && c <= 0x7E;
}

bool isNoStart(char32_t c)
{
    return among(kClosing, c) || among(kMarks, c) || among(kMiddle, c) || isSmallKana(c) ||
           c == U'ー' || c == U'゛' || c == U'゜' || c == U'ゝ' || c == U'ゞ' || c == U'ヽ' ||
           c == U'ヾ' || c == U'.' || c == U',' || c == U'!' || c == U'?';
}

bool isNoEnd(char32_t c)
{
    return among(kOpening, c);
}

} // namespace drv::tate

#pragma once
// The five Japanese input modes of the input-method switch, as the engines name them.
// Engines keep their modes as named choices, not as conversion values: a value is
// turned into the mode it stands for, and an engine's mode back into its value.

#include <QString>

#include <optional>

namespace drv {

enum class KanaMode { Hiragana, FullKatakana, FullLatin, HalfKatakana, HalfLatin };

// Native 1, katakana 2 and full shape 8 decide; there is no half-width hiragana, so
// native without katakana is hiragana whatever its shape.
KanaMode kanaModeFor(int conversion);
// 25, 27, 24, 19 and 16, as the mode table writes them.
int conversionFor(KanaMode mode);

// The property of an IBus engine (Mozc, Anthy) that switches it to the mode; the engine
// is closed (direct input) by "InputMode.Direct".
QString ibusModeProperty(KanaMode mode);
inline const QString kIbusDirectProperty = QStringLiteral("InputMode.Direct");

// The mode of a fcitx5 engine's status action by the action's icon name ("fcitx-mozc-
// hiragana"; menus may spell the dashes as underscores). Nothing for other actions.
std::optional<KanaMode> fcitxModeOfIcon(const QString& icon);

} // namespace drv

#include "ImeModes.h"

namespace drv {

KanaMode kanaModeFor(int conversion)
{
    const bool native = conversion & 1, katakana = conversion & 2, full = conversion & 8;
    if (native && katakana) return full ? KanaMode::FullKatakana : KanaMode::HalfKatakana;
    if (native) return KanaMode::Hiragana;
    return full ? KanaMode::FullLatin : KanaMode::HalfLatin;
}

int conversionFor(KanaMode mode)
{
    switch (mode) {
    case KanaMode::Hiragana:
        return 25;
    case KanaMode::FullKatakana:
        return 27;
    case KanaMode::FullLatin:
        return 24;
    case KanaMode::HalfKatakana:
        return 19;
    case KanaMode::HalfLatin:
        return 16;
    }
    return 25;
}

QString ibusModeProperty(KanaMode mode)
{
    switch (mode) {
    case KanaMode::Hiragana:
        return QStringLiteral("InputMode.Hiragana");
    case KanaMode::FullKatakana:
        return QStringLiteral("InputMode.Katakana");
    case KanaMode::FullLatin:
        return QStringLiteral("InputMode.WideLatin");
    case KanaMode::HalfKatakana:
        return QStringLiteral("InputMode.HalfWidthKatakana");
    case KanaMode::HalfLatin:
        return QStringLiteral("InputMode.Latin");
    }
    return QString();
}

std::optional<KanaMode> fcitxModeOfIcon(const QString& icon)
{
    QString name = icon;
    name.replace(u'_', u'-');
    if (name == u"fcitx-mozc-hiragana") return KanaMode::Hiragana;
    if (name == u"fcitx-mozc-katakana-full") return KanaMode::FullKatakana;
    if (name == u"fcitx-mozc-alpha-full") return KanaMode::FullLatin;
    if (name == u"fcitx-mozc-katakana-half") return KanaMode::HalfKatakana;
    if (name == u"fcitx-mozc-alpha-half") return KanaMode::HalfLatin;
    return std::nullopt;
}

} // namespace drv

#include "EditorLogic.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace drv {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == QChar(0x3000);
}

bool shapes(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return true;
    default:
        break;
    }
    if (c >= 0x1F1E6 && c <= 0x1F1FF) return true; // regional indicators pair into flags
    if (c >= 0x1F3FB && c <= 0x1F3FF) return true; // skin tones join the emoji before them
    switch (QChar::script(c)) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Han:
        return false;
    default:
        return true;
    }
}

} // namespace

QString cleanedText(const QString& s)
{
    qsizetype from = 0;
    qsizetype to = s.size(); // one past the last kept character
    for (;;) {
        while (from < to && isBlank(s.at(from)))
            ++from;
        while (to > from && isBlank(s.at(to - 1)))
            --to;
        if (from < to && s.at(from) == u'\n')
            ++from;
        else if (from < to && s.at(to - 1) == u'\n')
            --to;
        else
            break;
    }
    return s.mid(from, to - from);
}

bool needsShaping(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x300) continue; // Latin letters, digits, punctuation and controls
        if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        if (shapes(c)) return true;
    }
    return false;
}

QString plainFromDocument(const QString& rawDocumentText)
{
    QString s = rawDocumentText;
    for (QChar& c : s) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) c = u'\n';
    }
    return s;
}

int roundHalfEven(double value)
{
    const double below = std::floor(value);
    const double rest = value - below;
    double result = below;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0)) result += 1.0;
    return static_cast<int>(result);
}

int twipsToPixels(int twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

int pixelsToTwips(int pixels, double dpi)
{
    return static_cast<int>(std::lround(pixels * 1440.0 / dpi));
}

QRect editorGeometry(QSize clientPixels, double dpiX, double dpiY)
{
    const int widthTwips = std::max(0, pixelsToTwips(clientPixels.width(), dpiX) - 100);
    const int heightTwips = std::max(0, pixelsToTwips(clientPixels.height(), dpiY) - 150);
    return QRect(twipsToPixels(60, dpiX), twipsToPixels(100, dpiY), twipsToPixels(widthTwips, dpiX),
                 twipsToPixels(heightTwips, dpiY));
}

std::optional<TxAction> txActionFor(const QString& name)
{
    static const std::array<std::pair<const char16_t*, TxAction>, 9> names{{
        {u"取消", TxAction::Restore},
        {u"元に戻す", TxAction::Undo},
        {u"やり直し", TxAction::Redo},
        {u"切り取り", TxAction::Cut},
        {u"ｺﾋﾟｰ", TxAction::Copy},
        {u"貼り付け", TxAction::Paste},
        {u"全てｺﾋﾟｰ", TxAction::CopyAll},
        {u"全て選択", TxAction::SelectAll},
        {u"検索", TxAction::Find},
    }};
    for (const auto& [text, action] : names) {
        if (name == QStringView(text)) return action;
    }
    return std::nullopt;
}

} // namespace drv

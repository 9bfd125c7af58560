#include "BodyText.h"

#include <QChar>

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

} // namespace drv

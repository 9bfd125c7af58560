#include "DatePrompt.h"

#include "DateKey.h"

#include <QRegularExpression>

namespace drv {

QString ShiftYear(const QString& key, int years)
{
    const int yy = key.left(2).toInt() + years;
    const QString head = yy < 0 ? QString::number(yy) : QString::number(yy).rightJustified(2, u'0');
    return head + key.mid(2);
}

QDate parseDateAnswer(const QString& answer, const QDate& today)
{
    const QString text = answer.normalized(QString::NormalizationForm_KC).trimmed();
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,4})\\s*(?:[/\\-.]|年)\\s*(\\d{1,2})\\s*(?:[/\\-.]|月)\\s*"
                       "(\\d{1,2})\\s*日?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return {};
    const QString y = m.captured(1);
    int year = y.toInt();
    if (y.size() <= 2)
        year = DateKey::fullYear(year, today);
    else if (y.size() == 3)
        return {};
    return QDate(year, m.captured(2).toInt(), m.captured(3).toInt());
}

} // namespace drv

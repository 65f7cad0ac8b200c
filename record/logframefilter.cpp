#include "record/logframefilter.h"

#include <QRegularExpression>
#include <QStringList>

bool LogFrameFilter::setIdentifiers(const QString &text)
{
    QVector<Range> parsed;
    const QStringList parts =
        text.split(QRegularExpression(QStringLiteral("[,;\\s]+")), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QStringList ends = part.split(QLatin1Char('-'));
        if (ends.size() > 2)
            return false;
        Range range{};
        bool ok = false;
        QString first = ends.at(0);
        if (first.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            first = first.mid(2);
        range.first = first.toUInt(&ok, 16);
        if (!ok || range.first > 0x1FFFFFFFu)
            return false;
        range.last = range.first;
        if (ends.size() == 2) {
            QString last = ends.at(1);
            if (last.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
                last = last.mid(2);
            range.last = last.toUInt(&ok, 16);
            if (!ok || range.last > 0x1FFFFFFFu || range.last < range.first)
                return false;
        }
        parsed.append(range);
    }
    ranges = parsed;
    return true;
}

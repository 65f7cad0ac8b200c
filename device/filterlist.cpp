#include "device/filterlist.h"

#include <QStringList>

namespace {

bool isHexIdentifier(const QString &text)
{
    if (text.isEmpty() || text.size() > 8)
        return false;
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) &&
            !(c >= QLatin1Char('a') && c <= QLatin1Char('f')) &&
            !(c >= QLatin1Char('A') && c <= QLatin1Char('F')))
            return false;
    }
    return true;
}

bool parseFilterEntry(const QString &entry, FilterRange *range)
{
    const QStringList fields = entry.split(QLatin1Char('-'));
    if (fields.size() != 3)
        return false;
    if (fields.at(0) != QLatin1String("0") && fields.at(0) != QLatin1String("1"))
        return false;
    if (!isHexIdentifier(fields.at(1)) || !isHexIdentifier(fields.at(2)))
        return false;
    range->mode = fields.at(0).toUInt();
    range->start = fields.at(1);
    range->end = fields.at(2);
    return true;
}

} // namespace

bool parseFilterList(const QString &text, QVector<FilterRange> *ranges)
{
    QVector<FilterRange> parsed;
    const QStringList entries = text.split(QLatin1Char('|'));
    for (const QString &entry : entries) {
        FilterRange range;
        if (!parseFilterEntry(entry, &range))
            return false;
        parsed.append(range);
    }
    *ranges = parsed;
    return true;
}

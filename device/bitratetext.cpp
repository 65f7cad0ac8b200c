#include "device/bitratetext.h"

#include <QRegularExpression>
#include <QString>

QVector<uint32_t> ratesInBitRateText(const QByteArray &text)
{
    static const QRegularExpression number(QStringLiteral("(\\d+(?:\\.\\d+)?)\\s*([kKmM%]?)"));
    QVector<uint32_t> rates;
    auto it = number.globalMatch(QString::fromLatin1(text));
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString unit = match.captured(2).toLower();
        if (unit == QLatin1String("%"))
            continue;
        const double scale = unit == QLatin1String("k")   ? 1e3
                             : unit == QLatin1String("m") ? 1e6
                                                          : 1;
        const double rate = match.captured(1).toDouble() * scale;
        if (rate >= 1000 && rate <= 16e6)
            rates.append(uint32_t(rate + 0.5));
    }
    return rates;
}

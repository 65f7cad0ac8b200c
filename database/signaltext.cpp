#include "database/signaltext.h"

#include <cmath>

QString physicalValueText(double value)
{
    return std::isfinite(value) ? QString::number(value, 'g', 12) : QStringLiteral("nan");
}

QString decodedSignalsText(const DbcMessage &message, const DecodedFrame &decoded)
{
    QString text;
    for (const DecodedSignal &v : decoded.values) {
        const DbcSignal &s = message.signalList[size_t(v.index)];
        if (!text.isEmpty())
            text += QLatin1Char(' ');
        text += s.name + QLatin1Char('=') + physicalValueText(v.physical);
        if (!s.unit.isEmpty())
            text += QLatin1Char(' ') + s.unit;
        const QString description = s.valueText(v.raw);
        if (!description.isEmpty())
            text += QStringLiteral(" \"%1\"").arg(description);
    }
    return text;
}

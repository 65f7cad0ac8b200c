#include "device/sim/simchannel.h"

#include <QRegularExpression>

namespace {

constexpr uint32_t DefaultArbitrationRate = 500000;
constexpr uint32_t DefaultDataRate = 2000000;

// The rates named in a custom bit-rate text, in order: numbers with an optional k or M
// ("1.0M", "500k", "500000"); numbers of a percentage or below 1,000 bit/s do not count.
QVector<uint32_t> ratesIn(const QByteArray &text)
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

} // namespace

bool SimBusTiming::carries(const SimBusTiming &other, bool fd, bool bitRateSwitch) const
{
    if (!custom.isEmpty() || !other.custom.isEmpty())
        return custom == other.custom;
    if (arbitration != other.arbitration)
        return false;
    if (fd && standard != other.standard)
        return false;
    return !bitRateSwitch || data == other.data;
}

uint32_t SimBusTiming::arbitrationRate() const
{
    const QVector<uint32_t> rates = ratesIn(custom);
    if (!rates.isEmpty())
        return rates[0];
    return arbitration ? arbitration : DefaultArbitrationRate;
}

uint32_t SimBusTiming::dataRate() const
{
    const QVector<uint32_t> rates = ratesIn(custom);
    if (!rates.isEmpty())
        return rates.size() > 1 ? rates[1] : rates[0];
    return data ? data : DefaultDataRate;
}

SimChannel::SimChannel(size_t queueLimit) : classic(queueLimit), fd(queueLimit) {}

void SimChannel::reset()
{
    started = false;
    initialised = false;
    ++epoch;
    listenOnly = false;
    filter.clear();
    classic.clear();
    fd.clear();
}

void SimChannel::setQueueLimit(size_t limit)
{
    classic.setLimit(limit);
    fd.setLimit(limit);
}

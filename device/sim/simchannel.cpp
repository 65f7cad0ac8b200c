#include "device/sim/simchannel.h"

#include "device/bitratetext.h"

namespace {

constexpr uint32_t DefaultArbitrationRate = 500000;
constexpr uint32_t DefaultDataRate = 2000000;

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
    const QVector<uint32_t> rates = ratesInBitRateText(custom);
    if (!rates.isEmpty())
        return rates[0];
    return arbitration ? arbitration : DefaultArbitrationRate;
}

uint32_t SimBusTiming::dataRate() const
{
    const QVector<uint32_t> rates = ratesInBitRateText(custom);
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

#include "device/simchannel.h"

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

SimChannel::SimChannel(size_t queueLimit) : classic(queueLimit), fd(queueLimit) {}

void SimChannel::reset()
{
    started = false;
    initialised = false;
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

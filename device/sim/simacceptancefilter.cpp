#include "device/sim/simacceptancefilter.h"

#include "device/vendorapi.h"

namespace {

// "0x..." hexadecimal or plain decimal identifier; -1 when it is not one.
int64_t parseIdentifier(const QByteArray &value)
{
    bool ok = false;
    const uint32_t id = value.trimmed().toUInt(&ok, 0);
    return ok && id <= CanIdMask ? int64_t(id) : -1;
}

} // namespace

bool SimAcceptanceFilter::setProperty(const QByteArray &name, const QByteArray &value)
{
    if (name == "filter_clear") {
        clear();
        return true;
    }
    if (name == "filter_mode")
        return setMode(value);
    if (name == "filter_start")
        return setStart(value);
    if (name == "filter_end")
        return setEnd(value);
    if (name == "filter_ack") {
        m_active = m_pending;
        return true;
    }
    return false;
}

bool SimAcceptanceFilter::accepts(uint32_t idWord) const
{
    if (m_active.isEmpty())
        return true;
    const bool extended = (idWord & CanExtendedFlag) != 0;
    const uint32_t id = idWord & CanIdMask;
    for (const Range &range : m_active) {
        if (range.extended == extended && id >= range.start && id <= range.end)
            return true;
    }
    return false;
}

void SimAcceptanceFilter::clear()
{
    m_pending.clear();
    m_active.clear();
    m_mode = -1;
    m_start = -1;
}

bool SimAcceptanceFilter::setMode(const QByteArray &value)
{
    const QByteArray mode = value.trimmed();
    if (mode != "0" && mode != "1")
        return false;
    m_mode = mode.toInt();
    m_start = -1;
    return true;
}

bool SimAcceptanceFilter::setStart(const QByteArray &value)
{
    m_start = parseIdentifier(value);
    return m_mode >= 0 && m_start >= 0;
}

bool SimAcceptanceFilter::setEnd(const QByteArray &value)
{
    const int64_t end = parseIdentifier(value);
    if (m_mode < 0 || m_start < 0 || end < m_start)
        return false;
    m_pending.append(Range{m_mode == 1, uint32_t(m_start), uint32_t(end)});
    m_start = -1;
    return true;
}

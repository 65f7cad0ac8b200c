#include "device/serialbus/serialbusfilter.h"

namespace {

QCanBusDevice::Filter rawEntry(uint32_t id, uint32_t mask, bool extended)
{
    QCanBusDevice::Filter entry;
    entry.frameId = id;
    entry.frameIdMask = mask;
    entry.type = QCanBusFrame::InvalidFrame; // any frame type
    entry.format = extended ? QCanBusDevice::Filter::MatchExtendedFormat
                            : QCanBusDevice::Filter::MatchBaseFormat;
    return entry;
}

// Splits [first, last] into aligned power-of-two blocks, each one id/mask entry.
void appendBlocks(const SerialBusFilter::Range &range, QList<QCanBusDevice::Filter> *out)
{
    const uint64_t idMask = range.extended ? 0x1FFFFFFFu : 0x7FFu;
    uint64_t next = range.first & idMask;
    const uint64_t last = range.last & idMask;
    while (next <= last && out->size() <= SerialBusFilter::MaxRawEntries) {
        uint64_t size = 1;
        while ((next & (size * 2 - 1)) == 0 && next + size * 2 - 1 <= last &&
               size * 2 <= idMask + 1)
            size *= 2;
        out->append(rawEntry(uint32_t(next), uint32_t(idMask & ~(size - 1)), range.extended));
        next += size;
    }
}

} // namespace

bool SerialBusFilter::accepts(uint32_t id, bool extended) const
{
    if (m_ranges.isEmpty())
        return true;
    for (const Range &range : m_ranges) {
        if (range.extended == extended && id >= range.first && id <= range.last)
            return true;
    }
    return false;
}

bool SerialBusFilter::toRawFilter(QList<QCanBusDevice::Filter> *filter) const
{
    filter->clear();
    if (m_ranges.isEmpty()) {
        QCanBusDevice::Filter all = rawEntry(0, 0, false);
        all.format = QCanBusDevice::Filter::MatchBaseAndExtendedFormat;
        filter->append(all);
        return true;
    }
    for (const Range &range : m_ranges)
        appendBlocks(range, filter);
    return filter->size() <= MaxRawEntries;
}

#pragma once

// Acceptance filter of one channel: a list of identifier ranges, each for standard or
// extended frames. An empty list accepts every frame. Not thread-safe on its own; the
// channel guards it.

#include <QCanBusDevice>
#include <QList>
#include <QVector>

#include <cstdint>

class SerialBusFilter
{
public:
    struct Range
    {
        bool extended = false;
        uint32_t first = 0;
        uint32_t last = 0;
    };

    // Most raw filter entries handed to a plugin; longer lists are applied here only.
    static constexpr int MaxRawEntries = 256;

    void clear() { m_ranges.clear(); }
    void add(const Range &range) { m_ranges.append(range); }
    bool isEmpty() const { return m_ranges.isEmpty(); }
    const QVector<Range> &ranges() const { return m_ranges; }

    bool accepts(uint32_t id, bool extended) const;

    // The ranges as identifier/mask entries for QCanBusDevice::RawFilterKey (one entry
    // accepting everything for an empty list); false when more than MaxRawEntries.
    bool toRawFilter(QList<QCanBusDevice::Filter> *filter) const;

private:
    QVector<Range> m_ranges;
};

#pragma once

// Acceptance filter of one simulated channel, programmed through the property table:
// "filter_clear" empties it (every frame passes), each "filter_mode" / "filter_start" /
// "filter_end" triple adds one identifier range (mode 0 standard, 1 extended frames) to
// the pending list, and "filter_ack" makes the pending list the active one. While ranges
// are active a frame passes only when a range of its own kind holds its identifier.

#include <QByteArray>
#include <QVector>

#include <cstdint>

class SimAcceptanceFilter
{
public:
    // name is the part of the path after "N/"; false for an unknown name or bad value.
    bool setProperty(const QByteArray &name, const QByteArray &value);
    bool accepts(uint32_t idWord) const;
    void clear();
    int activeRanges() const { return m_active.size(); }

private:
    struct Range
    {
        bool extended;
        uint32_t start;
        uint32_t end;
    };

    bool setMode(const QByteArray &value);
    bool setStart(const QByteArray &value);
    bool setEnd(const QByteArray &value);

    QVector<Range> m_pending;
    QVector<Range> m_active;
    int m_mode = -1;
    int64_t m_start = -1;
};

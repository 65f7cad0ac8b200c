#pragma once

// What each channel's bus is doing: frames and payload bytes per second, totals by kind,
// and the bus load (ChannelLoad), from every live record the display takes, received and
// sent alike. Used on the GUI thread: take() with each refresh pass's records,
// closeSecond() with the one-second rate update.

#include "receive/modelitem.h"
#include "statistics/channelload.h"

#include <QList>

#include <cstdint>

struct FrameKindCounts
{
    uint64_t frames = 0; // every kind below, error frames included
    uint64_t classic = 0;
    uint64_t fd = 0;
    uint64_t fdBitRateSwitch = 0; // of the CAN FD frames, those with bit-rate switch
    uint64_t standard = 0;
    uint64_t extended = 0;
    uint64_t data = 0;
    uint64_t remote = 0;
    uint64_t error = 0;
    uint64_t payloadBytes = 0;
};

struct ChannelStatistics
{
    FrameKindCounts totals;     // since the reset
    FrameKindCounts window;     // the open second
    double framesPerSecond = 0; // the last closed second
    double bytesPerSecond = 0;
    ChannelLoad load;
};

class BusStatistics
{
public:
    void take(const QList<ModelItem> &records);
    // Ends the second that lasted elapsedNs; rates per channel in bit/s (0 = not known).
    void closeSecond(uint64_t elapsedNs, const uint32_t arbitrationRate[2],
                     const uint32_t dataRate[2]);
    // Totals, rates, peaks and averages start again; the load history stays.
    void reset();

    const ChannelStatistics &channel(int ch) const { return m_channels[ch ? 1 : 0]; }

private:
    void count(ChannelStatistics &channel, const FrameFacts &facts);

    ChannelStatistics m_channels[2];
};

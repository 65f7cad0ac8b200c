#pragma once

// Counts of received frames a backend lost before a receive thread read them: beside the
// vendor interface, for the backends that keep them (the device layer asks, with
// receiveLosses in devicelayer.h).

#include <cstdint>

// Frames lost on a channel since the backend started; -1 where the backend keeps no such
// count. fifoOverflow: the adapter's receive FIFO was full. backendDropped: the QtSerialBus
// backend's channel queue was full.
struct ReceiveLosses
{
    int64_t fifoOverflow = -1;
    int64_t backendDropped = -1;
};

class ReceiveLossCounter
{
public:
    virtual ~ReceiveLossCounter() = default;
    // Brings the count up to the present first (a simulated wire runs lazily).
    virtual ReceiveLosses receiveLosses(uint32_t ch) = 0;
};

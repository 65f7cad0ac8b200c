#pragma once

// Deterministic frame source standing for the other nodes on the simulated bus. Each
// channel has its own stream cycling through a few periodic messages; for a given seed
// and mix the streams are always the same. Bytes 0-3 of every generated frame hold the
// frame's sequence number in its channel's stream (little-endian), the rest comes from a
// seeded pseudo-random sequence.

#include "device/vendorapi.h"

#include <QString>

#include <cstdint>

enum class SimTrafficMix {
    Mixed,   // standard and extended, classic, CAN FD and CAN FD with bit-rate switch
    Classic, // classic frames only
    Fd       // CAN FD frames only (with and without bit-rate switch)
};

SimTrafficMix simTrafficMixFromText(const QString &text); // "mixed", "classic", "fd"

class SimTrafficSource
{
public:
    SimTrafficSource(uint64_t seed, SimTrafficMix mix);

    // The next frame of channel ch (0 or 1) without time stamp; returns true for a CAN FD
    // frame (flags and length as received), false for a classic one (length <= 8).
    bool next(int ch, CanFdRxRecord &frame);

private:
    struct Message
    {
        uint32_t id;
        uint8_t length;
        bool fd;
        bool bitRateSwitch;
    };
    struct Stream
    {
        uint64_t random;
        uint32_t sequence = 0;
    };

    const Message &messageFor(uint32_t sequence) const;
    static uint64_t nextRandom(uint64_t &state);

    Stream m_streams[2];
    SimTrafficMix m_mix;
};

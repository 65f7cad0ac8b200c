#pragma once

// One frame as it goes over a simulated wire: what the receivers get, who asked for its
// echo, and its times on the wire.

#include "device/canframebits.h"
#include "device/vendorapi.h"

#include <cstdint>
#include <limits>

// A bus-clock time that never comes.
constexpr uint64_t SimTimeNever = std::numeric_limits<uint64_t>::max();

struct SimWireFrame
{
    CanFdRxRecord record{}; // as the receivers get it; the time stamp is set on delivery
    bool fd = false;
    bool echo = false;         // handed back to the sender (transmit types 2 and 3)
    uint64_t queuedNs = 0;     // when it was queued for the wire
    uint64_t durationNs = 0;   // SOF to the end of the intermission
    uint64_t endOfFrameNs = 0; // SOF to the end of EOF (the receive time stamp)
    uint64_t arbitrationKey = 0;
    int node = -1; // message index for frames of the simulated nodes

    // The arbitration field as a number: lower wins.
    static uint64_t arbitrationKeyOf(uint32_t idWord, bool fd);
    // Sets the durations and the arbitration key from the frame's bits (record.id and fd
    // set) at the sender's rates.
    void setTiming(const CanFrameBits &bits, uint32_t arbitrationRate, uint32_t dataRate);
};

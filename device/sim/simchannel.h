#pragma once

// One channel of the simulated adapter: its bus timing, work mode and acceptance filter
// (guarded by the adapter's bus mutex), its run state and its two receive queues.

#include "device/sim/simacceptancefilter.h"
#include "device/sim/simrxqueue.h"
#include "device/vendorapi.h"

#include <QByteArray>

#include <atomic>
#include <cstdint>

// What a channel's bit timing must share with another node for a frame to pass.
struct SimBusTiming
{
    uint32_t arbitration = 0; // bit/s, 0 = not set
    uint32_t data = 0;        // bit/s of the data phase
    uint32_t standard = 0;    // 0 ISO, 1 BOSCH
    QByteArray custom;        // custom bit-timing text; replaces both rates when set

    // Whether a frame of this kind sent with this timing is understood by other.
    bool carries(const SimBusTiming &other, bool fd, bool bitRateSwitch) const;
    // The rates the channel runs at in bit/s: from the custom text when it names them,
    // else the set rates, else 500 kbit/s and 2 Mbit/s.
    uint32_t arbitrationRate() const;
    uint32_t dataRate() const;
};

class SimChannel
{
public:
    explicit SimChannel(size_t queueLimit);

    bool isRunning() const { return started.load(std::memory_order_acquire); }
    // Back to the state before initialisation: stopped, filter cleared, queues emptied.
    void reset();
    void setQueueLimit(size_t limit);
    uint64_t dropped() const { return classic.dropped() + fd.dropped(); }

    SimBusTiming timing;
    SimAcceptanceFilter filter;
    bool listenOnly = false;
    uint32_t epoch = 0; // counts resets, so a waiting transmit sees that its channel went away

    std::atomic<bool> initialised{false};
    std::atomic<bool> started{false};
    std::atomic<uint64_t> transmitted{0}; // accepted by transmit calls
    std::atomic<uint64_t> wireSent{0};    // of those, gone out on the wire
    std::atomic<uint64_t> generated{0};
    std::atomic<uint64_t> errorFrames{0}; // error frames it has seen on its wire

    SimRxQueue<CanRxRecord> classic;
    SimRxQueue<CanFdRxRecord> fd;
};

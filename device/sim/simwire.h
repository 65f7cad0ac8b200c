#pragma once

// One simulated CAN wire: the transmit FIFOs of the channels attached to it, the frames
// its simulated nodes have waiting (simnodes.h) and the frame on the wire, serialised on
// the bus clock (nanoseconds).
//
// When the wire falls idle, the frames at the heads of the FIFOs and the nodes' frames
// that were queued by then contend: the lowest arbitration field wins (a lower
// identifier; with the same top 11 identifier bits a standard frame before an extended
// one; data before remote), equal fields by channel index, nodes last. The winner
// occupies the wire for its exact duration at its sender's rates (CanFrameBits); the next
// frame starts when it ends (its intermission included). A FIFO sends its frames in the
// order they were queued.
//
// Not thread-safe: the simulated adapter calls it under its bus mutex.

#include "device/sim/simnodes.h"
#include "device/sim/simwireframe.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class SimWire
{
public:
    static constexpr uint64_t Idle = SimTimeNever;
    static constexpr int NodeSender = 2; // sender index of the nodes' frames

    SimNodeSchedule &nodes() { return m_nodes; }
    // Stops the nodes and drops their waiting frames.
    void stopNodes();

    std::size_t pending(int ch) const { return m_fifo[ch].size(); }
    // Frames of channel ch not yet delivered: in its FIFO or on the wire.
    std::size_t unfinished(int ch) const
    {
        return m_fifo[ch].size() + (m_onWire.active && m_onWire.sender == ch ? 1 : 0);
    }
    void queue(int ch, const SimWireFrame &frame) { m_fifo[ch].push_back(frame); }
    // Drops the frames still waiting in channel ch's FIFO; a frame already on the wire
    // completes.
    void clear(int ch) { m_fifo[ch].clear(); }

    // Runs the wire up to nowNs: every frame whose end of frame lies at or before nowNs is
    // handed to deliver(sender, frame, endOfFrameNs) in wire order (sender NodeSender for
    // the nodes' frames).
    template <typename Deliver> void advance(uint64_t nowNs, Deliver deliver);

    // When the first `count` frames of channel ch's FIFO will have started on the wire if
    // no other frame wins it meanwhile (an earliest time: the caller checks again).
    uint64_t leftFifoNs(int ch, std::size_t count, uint64_t nowNs) const;
    // Bus-clock time of the next thing that happens on the wire (a frame ends or starts),
    // Idle when nothing is waiting.
    uint64_t nextEventNs() const;
    // Nanoseconds the wire has carried frames (intermissions included) since it was made.
    uint64_t busyNs() const { return m_busyNs; }

private:
    struct OnWire
    {
        bool active = false;
        int sender = 0;
        uint64_t startNs = 0;
        SimWireFrame frame;
    };

    // The FIFO whose head wins the wire at startNs (0 or 1), or NodeSender + k for the
    // nodes' frame m_pool[k]; -1 when nothing is queued by then.
    int arbitrationWinner(uint64_t startNs) const;
    uint64_t nextStartNs() const;
    SimWireFrame takeWinner(int winner);

    std::deque<SimWireFrame> m_fifo[2];
    SimNodeSchedule m_nodes;
    std::vector<SimWireFrame> m_pool; // the nodes' frames waiting for the wire
    OnWire m_onWire;
    uint64_t m_freeAtNs = 0;
    uint64_t m_busyNs = 0;
};

template <typename Deliver> void SimWire::advance(uint64_t nowNs, Deliver deliver)
{
    for (;;) {
        if (m_onWire.active) {
            const uint64_t endOfFrame = m_onWire.startNs + m_onWire.frame.endOfFrameNs;
            if (endOfFrame > nowNs)
                return;
            m_onWire.active = false;
            m_freeAtNs = m_onWire.startNs + m_onWire.frame.durationNs;
            m_busyNs += m_onWire.frame.durationNs;
            deliver(m_onWire.sender, m_onWire.frame, endOfFrame);
        }
        const uint64_t start = nextStartNs();
        if (start == Idle || start > nowNs)
            return;
        m_nodes.release(start, m_pool);
        const int winner = arbitrationWinner(start);
        m_onWire.active = true;
        m_onWire.sender = std::min(winner, NodeSender);
        m_onWire.startNs = start;
        m_onWire.frame = takeWinner(winner);
    }
}

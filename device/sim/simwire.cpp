#include "device/sim/simwire.h"

#include <algorithm>

uint64_t SimWireFrame::arbitrationKeyOf(uint32_t idWord, bool fd)
{
    // Bits as they go out after SOF, 32 in all: identifier (or its top 11 bits), RTR or
    // SRR, IDE, then for extended frames the low 18 identifier bits and RTR.
    const bool remote = !fd && (idWord & CanRemoteFlag);
    const uint32_t id = idWord & CanIdMask;
    if (!(idWord & CanExtendedFlag))
        return (uint64_t(id & 0x7FF) << 21) | (uint64_t(remote) << 20);
    return (uint64_t(id >> 18) << 21) | (1ull << 20) | (1ull << 19) |
           (uint64_t(id & 0x3FFFF) << 1) | uint64_t(remote);
}

void SimWireFrame::setTiming(const CanFrameBits &bits, uint32_t arbitrationRate, uint32_t dataRate)
{
    durationNs = bits.durationNs(arbitrationRate, dataRate);
    const uint64_t intermissionNs = (3 * 1000000000ull + arbitrationRate / 2) / arbitrationRate;
    endOfFrameNs = durationNs - intermissionNs;
    arbitrationKey = arbitrationKeyOf(record.id, fd);
}

void SimWire::stopNodes()
{
    m_nodes.stop();
    m_pool.clear();
}

uint64_t SimWire::nextStartNs() const
{
    uint64_t earliest = m_nodes.nextDueNs();
    for (const auto &fifo : m_fifo) {
        if (!fifo.empty())
            earliest = std::min(earliest, fifo.front().queuedNs);
    }
    for (const SimWireFrame &frame : m_pool)
        earliest = std::min(earliest, frame.queuedNs);
    return earliest == Idle ? Idle : std::max(earliest, m_freeAtNs);
}

int SimWire::arbitrationWinner(uint64_t startNs) const
{
    int winner = -1;
    uint64_t best = 0;
    auto contend = [&](const SimWireFrame &frame, int index) {
        if (frame.queuedNs > startNs || (winner >= 0 && frame.arbitrationKey >= best))
            return;
        winner = index;
        best = frame.arbitrationKey;
    };
    for (int ch = 0; ch < 2; ++ch) {
        if (!m_fifo[ch].empty())
            contend(m_fifo[ch].front(), ch);
    }
    for (size_t k = 0; k < m_pool.size(); ++k)
        contend(m_pool[k], NodeSender + int(k));
    return winner;
}

SimWireFrame SimWire::takeWinner(int winner)
{
    if (winner < NodeSender) {
        SimWireFrame frame = m_fifo[winner].front();
        m_fifo[winner].pop_front();
        return frame;
    }
    const size_t k = size_t(winner - NodeSender);
    SimWireFrame frame = m_pool[k];
    m_pool[k] = m_pool.back();
    m_pool.pop_back();
    m_nodes.leftPool(frame.node);
    return frame;
}

uint64_t SimWire::leftFifoNs(int ch, std::size_t count, uint64_t nowNs) const
{
    if (count == 0)
        return nowNs;
    uint64_t start = m_onWire.active ? m_onWire.startNs + m_onWire.frame.durationNs
                                     : std::max(nowNs, m_freeAtNs);
    const auto &fifo = m_fifo[ch];
    for (std::size_t i = 0; i + 1 < count && i < fifo.size(); ++i)
        start += fifo[i].durationNs;
    return std::max(start, nowNs + 1);
}

uint64_t SimWire::nextEventNs() const
{
    if (m_onWire.active)
        return m_onWire.startNs + m_onWire.frame.endOfFrameNs;
    return nextStartNs();
}

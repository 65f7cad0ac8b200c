#include "device/simwire.h"

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

uint64_t SimWire::nextStartNs() const
{
    uint64_t earliest = Idle;
    for (const auto &fifo : m_fifo) {
        if (!fifo.empty())
            earliest = std::min(earliest, fifo.front().queuedNs);
    }
    return earliest == Idle ? Idle : std::max(earliest, m_freeAtNs);
}

int SimWire::arbitrationWinner(uint64_t startNs) const
{
    int winner = -1;
    for (int ch = 0; ch < 2; ++ch) {
        const auto &fifo = m_fifo[ch];
        if (fifo.empty() || fifo.front().queuedNs > startNs)
            continue;
        if (winner < 0 || fifo.front().arbitrationKey < m_fifo[winner].front().arbitrationKey)
            winner = ch;
    }
    return winner;
}

uint64_t SimWire::nextEventNs() const
{
    if (m_onWire.active)
        return m_onWire.startNs + m_onWire.frame.endOfFrameNs;
    return nextStartNs();
}

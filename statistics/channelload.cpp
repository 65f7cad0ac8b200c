#include "statistics/channelload.h"

#include <algorithm>

void ChannelLoad::addBits(uint32_t arbitrationBits, uint32_t dataBits)
{
    m_windowArbitrationBits += arbitrationBits;
    m_windowDataBits += dataBits;
}

void ChannelLoad::noteAdapterTime(uint64_t us)
{
    if (!m_windowStamped) {
        m_windowStamped = true;
        m_oldestUs = m_newestUs = us;
        return;
    }
    m_oldestUs = std::min(m_oldestUs, us);
    m_newestUs = std::max(m_newestUs, us);
}

uint64_t ChannelLoad::stampedSpanNs() const
{
    if (!m_windowStamped)
        return 0;
    uint64_t start = m_oldestUs;
    // Carry on from the previous window unless the adapter clock started again.
    if (m_previousStamped && m_newestUs >= m_previousNewestUs)
        start = std::min(start, m_previousNewestUs);
    return (m_newestUs - start) * 1000;
}

void ChannelLoad::closeWindow(uint64_t elapsedNs, uint32_t arbitrationRate, uint32_t dataRate)
{
    elapsedNs = std::max(elapsedNs, stampedSpanNs());
    if (m_windowStamped)
        m_previousNewestUs = m_newestUs;
    m_previousStamped = m_windowStamped;
    m_windowStamped = false;
    m_known = arbitrationRate != 0 && dataRate != 0 && elapsedNs != 0;
    if (m_known) {
        const double busyNs = double(m_windowArbitrationBits) * 1e9 / arbitrationRate +
                              double(m_windowDataBits) * 1e9 / dataRate;
        m_current = busyNs / double(elapsedNs);
        m_peak = std::max(m_peak, m_current);
        m_busyNs += busyNs;
        m_elapsedNs += elapsedNs;
    } else {
        m_current = 0;
    }
    if (m_history.size() == HistorySeconds)
        m_history.removeFirst();
    m_history.append(m_known ? float(m_current) : -1.0f);
    m_windowArbitrationBits = 0;
    m_windowDataBits = 0;
}

void ChannelLoad::reset()
{
    QVector<float> kept;
    kept.swap(m_history);
    *this = ChannelLoad();
    m_history.swap(kept); // the plot goes on across a reset
}

double ChannelLoad::average() const
{
    return m_elapsedNs ? m_busyNs / double(m_elapsedNs) : 0;
}

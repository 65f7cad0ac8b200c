#include "statistics/losswatch.h"

#include "settings/settingsstore.h"

#include <algorithm>

int64_t LossWatch::growth(int64_t now, int64_t &last)
{
    if (now < 0)
        return -1;
    // A counter that went back belongs to a backend started since: all of it is new.
    const int64_t grown = now >= last ? now - last : now;
    last = now;
    return grown;
}

namespace {

void addTo(int64_t &sinceReset, int64_t grown)
{
    if (grown < 0)
        return;
    sinceReset = std::max<int64_t>(sinceReset, 0) + grown;
}

} // namespace

QStringList LossWatch::update(const ReceiveLosses now[2])
{
    QStringList lines;
    for (int ch = 0; ch < 2; ++ch) {
        const int64_t fifo = growth(now[ch].fifoOverflow, m_last[ch].fifoOverflow);
        const int64_t queue = growth(now[ch].backendDropped, m_last[ch].backendDropped);
        addTo(m_sinceReset[ch].fifoOverflow, fifo);
        addTo(m_sinceReset[ch].backendDropped, queue);
        if (fifo > 0)
            lines.append(lossLine(ch, uint64_t(fifo), false));
        if (queue > 0)
            lines.append(lossLine(ch, uint64_t(queue), true));
    }
    return lines;
}

void LossWatch::noteQueueDepth(int records)
{
    m_lastDepth = records;
    m_peakDepth = std::max(m_peakDepth, records);
}

void LossWatch::reset()
{
    for (ReceiveLosses &counts : m_sinceReset) {
        counts.fifoOverflow = counts.fifoOverflow < 0 ? -1 : 0;
        counts.backendDropped = counts.backendDropped < 0 ? -1 : 0;
    }
    m_peakDepth = m_lastDepth;
}

QString LossWatch::lossLine(int ch, uint64_t frames, bool backendQueue)
{
    const QString where = backendQueue
                              ? byLanguage("QtSerialBus 接收队列已满", "QtSerialBus 接收佇列已滿",
                                           "QtSerialBus receive queue full")
                              : byLanguage("适配器接收 FIFO 溢出", "轉接器接收 FIFO 溢位",
                                           "adapter receive FIFO overflow");
    return byLanguage("通道%1丢失%2帧（%3）", "通道%1丟失%2幀（%3）",
                      "Channel %1 lost %2 frames (%3)")
        .arg(ch + 1)
        .arg(frames)
        .arg(where);
}

#include "device/serialbus/serialbuschannel.h"

#include "device/serialbus/serialbusframes.h"

namespace {

template <typename Record>
uint32_t takeFrom(std::deque<Record> &queue, Record *records, uint32_t capacity)
{
    uint32_t count = 0;
    while (count < capacity && !queue.empty()) {
        records[count++] = queue.front();
        queue.pop_front();
    }
    return count;
}

} // namespace

SerialBusChannel::SerialBusChannel(int queueCapacity) : m_capacity(qMax(1, queueCapacity)) {}

void SerialBusChannel::initialise(bool listenOnly)
{
    m_listenOnly = listenOnly;
    m_initialised = true;
}

void SerialBusChannel::reset()
{
    m_started = false;
    m_initialised = false;
    m_listenOnly = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_filter.clear();
        m_expectedEchoes.clear();
        m_classic.clear();
        m_fd.clear();
        ++m_resets;
    }
    m_arrived.notify_all();
}

void SerialBusChannel::setFilter(const SerialBusFilter &filter)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_filter = filter;
}

void SerialBusChannel::expectEchoes(const QVector<bool> &keep)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_expectedEchoes.insert(m_expectedEchoes.end(), keep.begin(), keep.end());
    // A plugin that never echoes must not make the list grow without end.
    while (m_expectedEchoes.size() > size_t(MaxExpectedEchoes))
        m_expectedEchoes.pop_front();
}

void SerialBusChannel::forgetEchoes(int count)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (int i = 0; i < count && !m_expectedEchoes.empty(); ++i)
        m_expectedEchoes.pop_back();
}

void SerialBusChannel::deliver(const QVector<QCanBusFrame> &frames)
{
    bool queued = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const size_t before = m_classic.size() + m_fd.size();
        for (const QCanBusFrame &frame : frames) {
            if (wanted(frame))
                enqueue(frame);
        }
        queued = m_classic.size() + m_fd.size() != before;
    }
    if (queued)
        m_arrived.notify_all();
}

bool SerialBusChannel::wanted(const QCanBusFrame &frame)
{
    if (frame.hasLocalEcho()) {
        if (m_expectedEchoes.empty())
            return false;
        const bool keep = m_expectedEchoes.front();
        m_expectedEchoes.pop_front();
        if (!keep)
            return false;
    }
    const QCanBusFrame::FrameType type = frame.frameType();
    if (!m_started || !frame.isValid())
        return false;
    if (type == QCanBusFrame::ErrorFrame)
        return true; // what the controller reports passes every acceptance filter
    if (type != QCanBusFrame::DataFrame && type != QCanBusFrame::RemoteRequestFrame)
        return false;
    return m_filter.accepts(frame.frameId(), frame.hasExtendedFrameFormat());
}

void SerialBusChannel::enqueue(const QCanBusFrame &frame)
{
    const bool fd =
        frame.hasFlexibleDataRateFormat() && frame.frameType() != QCanBusFrame::ErrorFrame;
    const size_t size = fd ? m_fd.size() : m_classic.size();
    if (size >= size_t(m_capacity)) {
        ++m_dropped;
        return;
    }
    if (fd)
        m_fd.push_back(SerialBusFrames::toFdRxRecord(frame));
    else
        m_classic.push_back(frame.frameType() == QCanBusFrame::ErrorFrame
                                ? SerialBusFrames::toErrorRecord(frame)
                                : SerialBusFrames::toRxRecord(frame));
}

template <typename Record>
uint32_t SerialBusChannel::take(std::deque<Record> &queue, Record *records, uint32_t capacity,
                                QDeadlineTimer deadline)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (queue.empty() && !deadline.hasExpired()) {
        const uint32_t resets = m_resets;
        const auto woken = [&] { return !queue.empty() || m_resets != resets; };
        if (deadline.isForever())
            m_arrived.wait(lock, woken);
        else
            m_arrived.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(), woken);
    }
    return takeFrom(queue, records, capacity);
}

uint32_t SerialBusChannel::takeClassic(CanRxRecord *records, uint32_t capacity,
                                       QDeadlineTimer deadline)
{
    return take(m_classic, records, capacity, deadline);
}

uint32_t SerialBusChannel::takeFd(CanFdRxRecord *records, uint32_t capacity,
                                  QDeadlineTimer deadline)
{
    return take(m_fd, records, capacity, deadline);
}

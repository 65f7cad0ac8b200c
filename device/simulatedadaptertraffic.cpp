// Simulated adapter: traffic generator and test hooks.

#include "device/simulatedadapter.h"

#include <chrono>

namespace {

uint64_t steadyUs()
{
    return uint64_t(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

} // namespace

// ---- Traffic ----

void SimulatedAdapter::setTrafficEnabled(bool enabled)
{
    m_trafficEnabled = enabled;
    if (m_config.trafficMode == SimTrafficMode::Nodes) {
        std::lock_guard<std::mutex> bus(m_busMutex);
        const uint64_t now = m_clock->nowNs();
        for (int w = 0; w < 2; ++w)
            updateNodes(w, now);
        return;
    }
    if (enabled && !m_trafficThread.joinable())
        startTrafficThread();
}

void SimulatedAdapter::setTrafficRate(uint32_t framesPerSecond)
{
    m_trafficRate = framesPerSecond;
}

uint32_t SimulatedAdapter::generateTraffic(int ch, uint32_t count)
{
    if ((ch != 0 && ch != 1) || !m_channels[ch]->isRunning())
        return 0;
    CanFdRxRecord frame;
    for (uint32_t i = 0; i < count; ++i) {
        bool fd;
        {
            std::lock_guard<std::mutex> lock(m_sourceMutex);
            fd = m_source.next(ch, frame);
        }
        frame.timeStamp = deviceTimeUs();
        deliverFromNode(ch, frame, fd);
    }
    m_channels[ch]->generated += count;
    return count;
}

void SimulatedAdapter::startTrafficThread()
{
    m_trafficStop = false;
    m_trafficThread = std::thread([this] { runTraffic(); });
}

void SimulatedAdapter::stopTrafficThread()
{
    {
        std::lock_guard<std::mutex> lock(m_trafficMutex);
        m_trafficStop = true;
    }
    m_trafficWake.notify_all();
    if (m_trafficThread.joinable())
        m_trafficThread.join();
}

void SimulatedAdapter::runTraffic()
{
    TrafficClock clocks[2];
    std::unique_lock<std::mutex> lock(m_trafficMutex);
    while (!m_trafficStop) {
        m_trafficWake.wait_for(lock, std::chrono::milliseconds(1));
        if (m_trafficStop)
            break;
        lock.unlock();
        pumpTraffic(clocks);
        lock.lock();
    }
}

// Keeps each started channel at "rate" frames per second since it started (or since the
// rate changed); after a stall of more than a second the backlog is capped to one second.
void SimulatedAdapter::pumpTraffic(TrafficClock *clocks)
{
    const uint64_t now = steadyUs();
    const uint32_t rate = m_trafficRate;
    for (int ch = 0; ch < 2; ++ch) {
        TrafficClock &clock = clocks[ch];
        if (!m_trafficEnabled || !m_channels[ch]->isRunning()) {
            clock.running = false;
            continue;
        }
        if (!clock.running || clock.rate != rate) {
            clock = TrafficClock{true, rate, now, 0};
            continue;
        }
        const uint64_t due = (now - clock.startUs) * rate / 1000000;
        if (due > clock.produced + rate)
            clock.produced = due - rate;
        if (due > clock.produced)
            generateTraffic(ch, uint32_t(due - clock.produced));
        clock.produced = due;
    }
}

// ---- Test hooks ----

void SimulatedAdapter::unplug()
{
    m_plugged = false;
    resetChannels();
    m_openDevice = 0;
}

void SimulatedAdapter::replug()
{
    m_plugged = true;
    if (m_updateMode) {
        leaveUpdateMode();
        m_volume.withdraw();
        m_updateMode = false;
    }
}

bool SimulatedAdapter::isPlugged() const
{
    return m_plugged;
}

void SimulatedAdapter::failCall(int ordinal, int nth)
{
    if (ordinal < 1 || ordinal > 64 || nth < 1)
        return;
    m_failAt[size_t(ordinal)] = m_calls[size_t(ordinal)] + uint64_t(nth);
}

void SimulatedAdapter::failFirstOpen()
{
    failCall(1, 1);
}

void SimulatedAdapter::failProperty(const QByteArray &name, int nth)
{
    std::lock_guard<std::mutex> lock(m_hookMutex);
    m_propertyFailures.append(qMakePair(name, nth));
}

void SimulatedAdapter::setReceiveResultOverride(uint32_t rawResult)
{
    m_receiveOverride = rawResult;
    m_receiveOverridden = true;
}

void SimulatedAdapter::clearReceiveResultOverride()
{
    m_receiveOverridden = false;
}

uint64_t SimulatedAdapter::callCount(int ordinal) const
{
    return ordinal >= 1 && ordinal <= 64 ? m_calls[size_t(ordinal)].load() : 0;
}

void SimulatedAdapter::setCallLogEnabled(bool enabled)
{
    m_callLogEnabled = enabled;
}

QVector<int> SimulatedAdapter::callLog() const
{
    std::lock_guard<std::mutex> lock(m_hookMutex);
    return m_callLog;
}

QStringList SimulatedAdapter::propertyLog() const
{
    std::lock_guard<std::mutex> lock(m_hookMutex);
    return m_propertyLog;
}

void SimulatedAdapter::clearLogs()
{
    std::lock_guard<std::mutex> lock(m_hookMutex);
    m_callLog.clear();
    m_propertyLog.clear();
}

// Counts and logs a call of ordinal; false when a hook makes this call fail.
bool SimulatedAdapter::enterCall(int ordinal)
{
    const uint64_t n = ++m_calls[size_t(ordinal)];
    if (m_callLogEnabled) {
        std::lock_guard<std::mutex> lock(m_hookMutex);
        m_callLog.append(ordinal);
    }
    uint64_t failAt = m_failAt[size_t(ordinal)].load();
    if (failAt == 0 || n < failAt)
        return true;
    return !m_failAt[size_t(ordinal)].compare_exchange_strong(failAt, 0);
}

bool SimulatedAdapter::propertyFails(const QByteArray &name)
{
    std::lock_guard<std::mutex> lock(m_hookMutex);
    for (int i = 0; i < m_propertyFailures.size(); ++i) {
        auto &failure = m_propertyFailures[i];
        if (failure.first != name || --failure.second > 0)
            continue;
        m_propertyFailures.removeAt(i);
        return true;
    }
    return false;
}

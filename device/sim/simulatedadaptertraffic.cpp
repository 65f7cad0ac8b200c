// Simulated adapter: the flood generator and the nodes' switch.

#include "device/sim/simulatedadapter.h"

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

#pragma once

// A vendor backend for tests that forwards every call to the backend it wraps (usually the
// simulated adapter) and lets the test break things on the way: make the nth call of an
// ordinal or the nth write of a property fail, fake the raw result of receive calls, pull
// the plug, hand extra frames to a channel's receive side, and log calls and property
// writes. Install it with setVendorBackend() in place of the backend it wraps. The wrapped
// backend's receive-loss counts are passed through.
//
// Injected frames are returned by the next receive call of their kind on that channel,
// ahead of what the wrapped backend has; the channel's acceptance filter does not see
// them. While unplugged every call fails (deviceStatus answers 0) and the wrapped device
// is closed, so nothing it held survives and old handles stay dead after replug().

#include "device/receivelosses.h"
#include "device/vendorapi.h"

#include <QByteArray>
#include <QPair>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

class FaultyAdapter final : public VendorApi, public ReceiveLossCounter
{
public:
    explicit FaultyAdapter(std::shared_ptr<VendorApi> inner) : m_inner(std::move(inner)) {}

    ReceiveLosses receiveLosses(uint32_t ch) override
    {
        auto *counter = dynamic_cast<ReceiveLossCounter *>(m_inner.get());
        return counter ? counter->receiveLosses(ch) : ReceiveLosses();
    }

    // ---- Test hooks ----

    void failCall(int ordinal, int nth = 1) // the nth call of ordinal from now fails
    {
        if (ordinal >= 1 && ordinal <= 64 && nth >= 1)
            m_failAt[size_t(ordinal)] = m_calls[size_t(ordinal)] + uint64_t(nth);
    }
    void failFirstOpen() { failCall(1, 1); }
    // Every call of ordinal from now takes ms longer, as over a slow link.
    void delayCall(int ordinal, int ms)
    {
        if (ordinal >= 1 && ordinal <= 64)
            m_delayMs[size_t(ordinal)] = ms;
    }
    void failProperty(const QByteArray &name, int nth = 1) // name such as "filter_mode"
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_propertyFailures.append(qMakePair(name, nth));
    }
    void setReceiveResultOverride(uint32_t rawResult)
    {
        m_receiveOverride = rawResult;
        m_receiveOverridden = true;
    }
    void clearReceiveResultOverride() { m_receiveOverridden = false; }
    void unplug()
    {
        m_plugged = false;
        const uint32_t device = m_device.exchange(0);
        if (device)
            m_inner->closeDevice(device);
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int ch = 0; ch < 2; ++ch) {
            m_injected[size_t(ch)].clear();
            m_injectedFd[size_t(ch)].clear();
        }
    }
    void replug() { m_plugged = true; }
    // Puts a frame into channel ch's receive side; false when the channel is not started.
    bool injectFrame(int ch, const CanRxRecord &record) { return inject(ch, record, m_injected); }
    bool injectFrame(int ch, const CanFdRxRecord &record)
    {
        return inject(ch, record, m_injectedFd);
    }

    uint64_t callCount(int ordinal) const
    {
        return ordinal >= 1 && ordinal <= 64 ? m_calls[size_t(ordinal)].load() : 0;
    }
    void setCallLogEnabled(bool enabled) { m_callLogEnabled = enabled; }
    QVector<int> callLog() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_callLog;
    }
    QStringList propertyLog() const // "path=value" of every property write
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_propertyLog;
    }
    void clearLogs()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_callLog.clear();
        m_propertyLog.clear();
    }

    // ---- Vendor interface ----

    uint32_t openDevice(uint32_t type, uint32_t index, uint32_t reserved) override
    {
        if (!enter(1) || !m_plugged)
            return 0;
        const uint32_t device = m_inner->openDevice(type, index, reserved);
        if (device)
            m_device = device;
        return device;
    }
    uint32_t closeDevice(uint32_t device) override
    {
        if (!enter(2) || !m_plugged)
            return 0;
        const uint32_t result = m_inner->closeDevice(device);
        if (result)
            m_device.compare_exchange_strong(device, 0);
        return result;
    }
    uint32_t readBoardInfo(uint32_t device, BoardInfo *info) override
    {
        return enter(3) && m_plugged ? m_inner->readBoardInfo(device, info) : 0;
    }
    uint32_t deviceStatus(uint32_t device) override
    {
        return enter(4) && m_plugged ? m_inner->deviceStatus(device) : 0;
    }
    uint32_t initCan(uint32_t device, uint32_t channelIndex,
                     const ChannelInitConfig *config) override
    {
        if (!enter(5) || !m_plugged)
            return 0;
        const uint32_t handle = m_inner->initCan(device, channelIndex, config);
        if (handle) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_channels[handle] = Channel{int(channelIndex), false};
        }
        return handle;
    }
    uint32_t startCan(uint32_t channel) override
    {
        if (!enter(6) || !m_plugged)
            return 0;
        const uint32_t result = m_inner->startCan(channel);
        setStarted(channel, result == 1);
        return result;
    }
    uint32_t resetCan(uint32_t channel) override
    {
        if (!enter(7) || !m_plugged)
            return 0;
        setStarted(channel, false);
        return m_inner->resetCan(channel);
    }
    uint32_t transmit(uint32_t channel, const CanTxRecord *records, uint32_t count) override
    {
        return enter(12) && m_plugged ? m_inner->transmit(channel, records, count) : 0;
    }
    uint32_t receive(uint32_t channel, CanRxRecord *records, uint32_t capacity,
                     int32_t waitMs) override
    {
        return receiveWith(13, channel, records, capacity, waitMs, m_injected, &VendorApi::receive);
    }
    uint32_t transmitFd(uint32_t channel, const CanFdTxRecord *records, uint32_t count) override
    {
        return enter(14) && m_plugged ? m_inner->transmitFd(channel, records, count) : 0;
    }
    uint32_t receiveFd(uint32_t channel, CanFdRxRecord *records, uint32_t capacity,
                       int32_t waitMs) override
    {
        return receiveWith(15, channel, records, capacity, waitMs, m_injectedFd,
                           &VendorApi::receiveFd);
    }
    PropertyTable *getPropertyTable(uint32_t device) override
    {
        if (!enter(16) || !m_plugged)
            return nullptr;
        PropertyTable *inner = m_inner->getPropertyTable(device);
        if (!inner)
            return nullptr;
        m_table.inner = inner;
        return &m_table;
    }
    uint32_t switchToUpdateMode(uint32_t device) override
    {
        if (!enter(32) || !m_plugged)
            return 0;
        const uint32_t result = m_inner->switchToUpdateMode(device);
        if (result)
            m_device = 0;
        return result;
    }
    uint32_t setArbitrationBaudRate(uint32_t device, uint32_t channelIndex,
                                    uint32_t bitRate) override
    {
        return enter(33) && m_plugged
                   ? m_inner->setArbitrationBaudRate(device, channelIndex, bitRate)
                   : 0;
    }
    uint32_t setDataBaudRate(uint32_t device, uint32_t channelIndex, uint32_t bitRate) override
    {
        return enter(34) && m_plugged ? m_inner->setDataBaudRate(device, channelIndex, bitRate) : 0;
    }
    uint32_t setCanFdStandard(uint32_t device, uint32_t channelIndex, uint32_t standard) override
    {
        return enter(35) && m_plugged ? m_inner->setCanFdStandard(device, channelIndex, standard)
                                      : 0;
    }
    uint32_t recover() override
    {
        enter(64);
        return m_inner->recover();
    }

private:
    struct Channel
    {
        int index = 0;
        bool started = false;
    };
    template <typename Rx> using Injected = std::array<std::deque<Rx>, 2>;

    // Logs and fails property writes, then forwards them.
    class Properties final : public PropertyTable
    {
    public:
        explicit Properties(FaultyAdapter &owner) : owner(owner) {}
        uint32_t setValue(const char *path, const char *value) override
        {
            const QByteArray fullPath(path ? path : "");
            if (owner.propertyWriteFails(fullPath, value))
                return 0;
            return inner->setValue(path, value);
        }
        FaultyAdapter &owner;
        PropertyTable *inner = nullptr;
    };

    // Counts and logs a call of ordinal; false when a hook makes this call fail.
    bool enter(int ordinal)
    {
        const uint64_t n = ++m_calls[size_t(ordinal)];
        if (m_callLogEnabled) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_callLog.append(ordinal);
        }
        if (const int delay = m_delayMs[size_t(ordinal)].load())
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        uint64_t failAt = m_failAt[size_t(ordinal)].load();
        if (failAt == 0 || n < failAt)
            return true;
        return !m_failAt[size_t(ordinal)].compare_exchange_strong(failAt, 0);
    }

    bool propertyWriteFails(const QByteArray &fullPath, const char *value)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_propertyLog.append(QString::fromLatin1(fullPath) + QLatin1Char('=') +
                             QString::fromUtf8(value ? value : ""));
        const QByteArray name = fullPath.mid(fullPath.indexOf('/') + 1);
        for (int i = 0; i < m_propertyFailures.size(); ++i) {
            auto &failure = m_propertyFailures[i];
            if (failure.first != name || --failure.second > 0)
                continue;
            m_propertyFailures.removeAt(i);
            return true;
        }
        return false;
    }

    void setStarted(uint32_t handle, bool started)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_channels.find(handle);
        if (it == m_channels.end())
            return;
        it->second.started = started;
        if (!started) {
            m_injected[size_t(it->second.index)].clear();
            m_injectedFd[size_t(it->second.index)].clear();
        }
    }

    template <typename Rx> bool inject(int ch, Rx record, Injected<Rx> &queues)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool started =
            std::any_of(m_channels.begin(), m_channels.end(), [ch](const auto &entry) {
                return entry.second.index == ch && entry.second.started;
            });
        if (!m_plugged || !started || (ch != 0 && ch != 1))
            return false;
        queues[size_t(ch)].push_back(record);
        return true;
    }

    // Injected frames first, then what the wrapped backend has, unless a hook decides.
    template <typename Rx>
    uint32_t receiveWith(int ordinal, uint32_t channel, Rx *records, uint32_t capacity,
                         int32_t waitMs, Injected<Rx> &injected,
                         uint32_t (VendorApi::*receive)(uint32_t, Rx *, uint32_t, int32_t))
    {
        if (!enter(ordinal))
            return 0;
        if (m_receiveOverridden)
            return m_receiveOverride;
        if (!m_plugged)
            return 0;
        const uint32_t taken = takeInjected(channel, records, capacity, injected);
        if (taken >= capacity)
            return taken;
        return taken + (m_inner.get()->*receive)(channel, records + taken, capacity - taken,
                                                 taken ? 0 : waitMs);
    }

    template <typename Rx>
    uint32_t takeInjected(uint32_t handle, Rx *records, uint32_t capacity, Injected<Rx> &queues)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto it = m_channels.find(handle);
        if (it == m_channels.end() || !records)
            return 0;
        std::deque<Rx> &queue = queues[size_t(it->second.index)];
        uint32_t n = 0;
        while (n < capacity && !queue.empty()) {
            records[n++] = queue.front();
            queue.pop_front();
        }
        return n;
    }

    std::shared_ptr<VendorApi> m_inner;
    Properties m_table{*this};
    std::atomic<bool> m_plugged{true};
    std::atomic<uint32_t> m_device{0};
    std::array<std::atomic<uint64_t>, 65> m_calls{};
    std::array<std::atomic<uint64_t>, 65> m_failAt{};
    std::array<std::atomic<int>, 65> m_delayMs{};
    std::atomic<bool> m_receiveOverridden{false};
    std::atomic<uint32_t> m_receiveOverride{0};
    std::atomic<bool> m_callLogEnabled{false};
    mutable std::mutex m_mutex;
    std::map<uint32_t, Channel> m_channels; // channel handles from initCan
    Injected<CanRxRecord> m_injected;
    Injected<CanFdRxRecord> m_injectedFd;
    QVector<int> m_callLog;
    QStringList m_propertyLog;
    QVector<QPair<QByteArray, int>> m_propertyFailures; // name, writes left until failure
};

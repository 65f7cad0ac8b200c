#pragma once

// The QtSerialBus backend of the vendor interface: channel index 0 and 1 are two
// interfaces of one QtSerialBus plugin (socketcan can0/can1, virtualcan can0/can1, ...).
// The devices live on a worker thread owned by the backend; receive and transmit are
// safe to call from the receive and send threads. See device/serialbus/README.md for
// the settings each plugin honours.

#include "device/receivelosses.h"
#include "device/vendorapi.h"

#include <QString>

#include <atomic>
#include <memory>
#include <mutex>

struct SerialBusConfig
{
    QString plugin;            // "socketcan", "virtualcan", ...
    QString interfaces[2];     // channel index 0 and 1, e.g. "can0", "can1"
    int queueCapacity = 65536; // received frames kept per channel and kind before dropping
};

// Returns null and sets *error when the backend cannot be created (plugin missing).
// Interfaces are only reached by openDevice (ordinal 1), which returns 0 when they
// cannot be connected; SerialBusBackend::lastError() then holds the reason.
std::shared_ptr<VendorApi> createSerialBusBackend(const SerialBusConfig &config, QString *error);

class QThread;
class SerialBusChannel;
class SerialBusFilter;
class SerialBusProperties;
class SerialBusWorker;
class SocketCanLink;

class SerialBusBackend : public VendorApi, public ReceiveLossCounter
{
public:
    static constexpr uint32_t DeviceHandle = 0x5B00;
    static constexpr uint32_t ChannelHandle0 = 0x5B10; // channel index 1: ChannelHandle0 + 1
    static constexpr uint16_t Version = 0x0100;        // of this backend, shown as V1.00
    static constexpr int ConnectTimeoutMs = 3000;

    explicit SerialBusBackend(const SerialBusConfig &config);
    ~SerialBusBackend() override;

    // Reason of the last failed operation (for the operation log); thread-safe.
    QString lastError() const;
    // Received frames dropped because the channel's queue was full.
    uint64_t droppedFrames(uint32_t ch) const;
    ReceiveLosses receiveLosses(uint32_t ch) override; // the same, for the device layer
    const SerialBusConfig &config() const { return m_config; }

    // Vendor interface (ordinals 1-64).
    uint32_t openDevice(uint32_t deviceType, uint32_t deviceIndex, uint32_t reserved) override;
    uint32_t closeDevice(uint32_t device) override;
    uint32_t readBoardInfo(uint32_t device, BoardInfo *info) override;
    uint32_t deviceStatus(uint32_t device) override;
    uint32_t initCan(uint32_t device, uint32_t channelIndex,
                     const ChannelInitConfig *config) override;
    uint32_t startCan(uint32_t channel) override;
    uint32_t resetCan(uint32_t channel) override;
    uint32_t transmit(uint32_t channel, const CanTxRecord *records, uint32_t count) override;
    uint32_t receive(uint32_t channel, CanRxRecord *records, uint32_t capacity,
                     int32_t waitMs) override;
    uint32_t transmitFd(uint32_t channel, const CanFdTxRecord *records, uint32_t count) override;
    uint32_t receiveFd(uint32_t channel, CanFdRxRecord *records, uint32_t capacity,
                       int32_t waitMs) override;
    PropertyTable *getPropertyTable(uint32_t device) override;
    uint32_t switchToUpdateMode(uint32_t device) override;
    uint32_t setArbitrationBaudRate(uint32_t device, uint32_t channelIndex,
                                    uint32_t bitRate) override;
    uint32_t setDataBaudRate(uint32_t device, uint32_t channelIndex, uint32_t bitRate) override;
    uint32_t setCanFdStandard(uint32_t device, uint32_t channelIndex, uint32_t standard) override;
    uint32_t recover() override;

    // Property table targets: "<arbitration>[/<data>]" in bit/s, and filter ranges.
    bool applyCustomBitRate(uint32_t ch, const QString &text);
    bool applyFilter(uint32_t ch, const SerialBusFilter &filter);

private:
    enum class Setting { ArbitrationRate, DataRate, Standard, WorkMode };

    bool fail(const QString &reason);
    bool checkDevice(uint32_t device, uint32_t ch);
    SerialBusChannel *channelOf(uint32_t handle);
    bool waitConnected();
    bool applySetting(uint32_t ch, Setting setting, uint32_t value);
    bool checkSocketCan(uint32_t ch, Setting setting, uint32_t value);
    // The kernel's view of a channel's interface, read once per channel start (the
    // settings of one start all compare against it); forgotten on reset and close.
    bool socketCanLink(uint32_t ch, SocketCanLink *link);
    void forgetLinks();
    bool isSocketCan() const;
    bool isVirtualCan() const;
    template <typename Record>
    uint32_t transmitRecords(uint32_t handle, const Record *records, uint32_t count);
    template <typename Record>
    uint32_t receiveRecords(uint32_t handle, Record *records, uint32_t capacity, int32_t waitMs);

    const SerialBusConfig m_config;
    std::unique_ptr<SerialBusChannel> m_channels[2];
    std::unique_ptr<SerialBusProperties> m_properties;
    std::unique_ptr<QThread> m_thread;
    SerialBusWorker *m_worker = nullptr;
    std::atomic<bool> m_open{false};
    mutable std::mutex m_errorMutex;
    QString m_lastError;
    // Used only by the thread that configures the channels, one configuration at a time.
    std::unique_ptr<SocketCanLink> m_links[2];
};

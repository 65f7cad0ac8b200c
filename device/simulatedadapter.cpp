#include "device/simulatedadapter.h"

#include "device/adapterconfig.h"
#include "settings/resourcepaths.h"

#include <QDir>

#include <chrono>
#include <cstring>

namespace {

// Handle layout: bits 24-31 the type tag, 22-23 the channel (0 = the device itself, 1 or
// 2 = channel index 0 or 1), 8-21 the open count, 0-7 the device index. Handles of an
// earlier open never match the current one.
constexpr uint32_t HandleTag = 0x41000000u;
constexpr uint32_t ChannelShift = 22;
constexpr uint32_t ChannelBits = 3u << ChannelShift;

uint64_t steadyNs()
{
    return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

uint8_t fdFrameLength(uint8_t length)
{
    static const uint8_t sizes[] = {8, 12, 16, 20, 24, 32, 48, 64};
    if (length <= 8)
        return length;
    for (uint8_t size : sizes) {
        if (length <= size)
            return size;
    }
    return 64;
}

bool isFd(const CanTxRecord &)
{
    return false;
}
bool isFd(const CanFdTxRecord &)
{
    return true;
}
bool usesBitRateSwitch(const CanTxRecord &)
{
    return false;
}
bool usesBitRateSwitch(const CanFdTxRecord &record)
{
    return (record.flags & 1) != 0;
}
bool lengthValid(const CanTxRecord &record)
{
    return record.length <= 8;
}
bool lengthValid(const CanFdTxRecord &record)
{
    return record.length <= 64;
}

template <typename Tx> bool echoes(const Tx &record)
{
    return record.transmitType == 2 || record.transmitType == 3;
}

void copyData(uint8_t *to, const uint8_t *from, uint32_t idWord, uint8_t length)
{
    if (!(idWord & CanRemoteFlag))
        std::memcpy(to, from, length);
}

void toReceived(const CanTxRecord &tx, CanRxRecord &rx, uint64_t timeStamp)
{
    std::memset(&rx, 0, sizeof(rx));
    rx.id = tx.id;
    rx.length = tx.length;
    copyData(rx.data, tx.data, tx.id, tx.length);
    rx.timeStamp = timeStamp;
}

void toReceived(const CanFdTxRecord &tx, CanFdRxRecord &rx, uint64_t timeStamp)
{
    std::memset(&rx, 0, sizeof(rx));
    rx.id = tx.id;
    rx.length = fdFrameLength(tx.length);
    rx.flags = tx.flags & 1;
    copyData(rx.data, tx.data, tx.id, tx.length);
    rx.timeStamp = timeStamp;
}

void toClassic(const CanFdRxRecord &frame, CanRxRecord &rx)
{
    std::memset(&rx, 0, sizeof(rx));
    rx.id = frame.id;
    rx.length = frame.length > 8 ? 8 : frame.length;
    std::memcpy(rx.data, frame.data, sizeof(rx.data));
    rx.timeStamp = frame.timeStamp;
}

QByteArray serialNumberOf(uint32_t deviceIndex)
{
    return QStringLiteral("FR2X2026%1").arg(deviceIndex + 1, 4, 10, QLatin1Char('0')).toLatin1();
}

} // namespace

QString simulatedVolumesRoot()
{
    const QString root = qEnvironmentVariable("LARKSPUR_SIM_VOLUMES");
    return root.isEmpty() ? appFilePath(QStringLiteral("/sim-volumes")) : root;
}

class SimulatedAdapter::Properties final : public PropertyTable
{
public:
    explicit Properties(SimulatedAdapter &owner) : m_owner(owner) {}
    uint32_t setValue(const char *path, const char *value) override
    {
        return m_owner.setProperty(path, value);
    }

private:
    SimulatedAdapter &m_owner;
};

SimulatedAdapter::SimulatedAdapter(const SimulatorConfig &config)
    : m_config(config), m_properties(new Properties(*this)),
      m_presentDevices(config.presentDevices), m_firmwareVersion(config.firmwareVersion),
      m_updateDelayMs(config.updateDelayMs),
      m_volume(config.volumesRoot.isEmpty() ? simulatedVolumesRoot() : config.volumesRoot),
      m_source(config.seed, config.trafficMix), m_trafficRate(config.trafficRate)
{
    for (auto &channel : m_channels)
        channel.reset(new SimChannel(config.queueLimit));
    m_openedAtNs = int64_t(steadyNs());
    if (config.traffic)
        setTrafficEnabled(true);
}

SimulatedAdapter::~SimulatedAdapter()
{
    stopTrafficThread();
}

// ---- Vendor interface: device ----

uint32_t SimulatedAdapter::openDevice(uint32_t deviceType, uint32_t deviceIndex, uint32_t)
{
    if (!enterCall(1) || !m_plugged)
        return 0;
    if (!leaveUpdateMode())
        return 0;
    if (deviceType != FerruleDeviceType || deviceIndex >= m_presentDevices || m_openDevice != 0)
        return 0;
    const uint32_t generation = (++m_generation) & 0x3FFF;
    resetChannels();
    m_openedAtNs = int64_t(steadyNs());
    m_openDevice = HandleTag | (generation << 8) | deviceIndex;
    return m_openDevice;
}

uint32_t SimulatedAdapter::closeDevice(uint32_t device)
{
    if (!enterCall(2) || device == 0 || device != m_openDevice)
        return 0;
    resetChannels();
    m_openDevice = 0;
    return 1;
}

uint32_t SimulatedAdapter::readBoardInfo(uint32_t device, BoardInfo *info)
{
    if (!enterCall(3) || !info || !deviceUsable(device))
        return 0;
    std::memset(info, 0, sizeof(*info));
    info->hardwareVersion = 0x0102;
    info->firmwareVersion = uint16_t(m_firmwareVersion.load());
    info->driverVersion = 0x0117;
    info->interfaceVersion = 0x0117;
    info->irqNumber = 1;
    info->channelCount = 2;
    const QByteArray serial = serialNumberOf(device & 0xFF);
    std::memcpy(info->serialNumber, serial.constData(), size_t(serial.size()));
    std::strcpy(info->hardwareType, "Ferrule-2X");
    return 1;
}

uint32_t SimulatedAdapter::deviceStatus(uint32_t device)
{
    if (!enterCall(4))
        return 0;
    return deviceUsable(device) ? 2 : 0;
}

PropertyTable *SimulatedAdapter::getPropertyTable(uint32_t device)
{
    if (!enterCall(16) || !deviceUsable(device))
        return nullptr;
    return m_properties.get();
}

uint32_t SimulatedAdapter::switchToUpdateMode(uint32_t device)
{
    if (!enterCall(32) || !deviceUsable(device))
        return 0;
    resetChannels();
    m_openDevice = 0;
    m_updateMode = true;
    m_volume.present(m_updateDelayMs);
    return 1;
}

uint32_t SimulatedAdapter::recover()
{
    enterCall(64);
    return 0;
}

// ---- Vendor interface: channels ----

uint32_t SimulatedAdapter::initCan(uint32_t device, uint32_t channelIndex,
                                   const ChannelInitConfig *config)
{
    SimChannel *channel = channelAt(device, channelIndex);
    if (!enterCall(5) || !channel || !config)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    channel->started = false;
    channel->listenOnly = config->workMode == 1;
    channel->initialised = true;
    return channelHandle(channelIndex);
}

uint32_t SimulatedAdapter::startCan(uint32_t channel)
{
    SimChannel *target = channelFor(channel);
    if (!enterCall(6) || !target || !target->initialised)
        return 0;
    target->started = true;
    return 1;
}

uint32_t SimulatedAdapter::resetCan(uint32_t channel)
{
    SimChannel *target = channelFor(channel);
    if (!enterCall(7) || !target)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    target->reset();
    return 1;
}

uint32_t SimulatedAdapter::setArbitrationBaudRate(uint32_t device, uint32_t channelIndex,
                                                  uint32_t bitRate)
{
    SimChannel *channel = channelAt(device, channelIndex);
    if (!enterCall(33) || !channel || bitRate == 0 || bitRate > 1000000)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    channel->timing.arbitration = bitRate;
    channel->timing.custom.clear();
    return 1;
}

uint32_t SimulatedAdapter::setDataBaudRate(uint32_t device, uint32_t channelIndex, uint32_t bitRate)
{
    SimChannel *channel = channelAt(device, channelIndex);
    if (!enterCall(34) || !channel || bitRate == 0 || bitRate > 8000000)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    channel->timing.data = bitRate;
    channel->timing.custom.clear();
    return 1;
}

uint32_t SimulatedAdapter::setCanFdStandard(uint32_t device, uint32_t channelIndex,
                                            uint32_t standard)
{
    SimChannel *channel = channelAt(device, channelIndex);
    if (!enterCall(35) || !channel || standard > 1)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    channel->timing.standard = standard;
    return 1;
}

uint32_t SimulatedAdapter::setProperty(const char *path, const char *value)
{
    const QByteArray fullPath(path ? path : "");
    const QByteArray text(value ? value : "");
    {
        std::lock_guard<std::mutex> lock(m_hookMutex);
        m_propertyLog.append(QString::fromLatin1(fullPath) + QLatin1Char('=') +
                             QString::fromUtf8(text));
    }
    const int slash = fullPath.indexOf('/');
    const QByteArray name = fullPath.mid(slash + 1);
    SimChannel *channel =
        slash == 1 ? channelAt(m_openDevice, uint32_t(fullPath[0] - '0')) : nullptr;
    if (!channel || propertyFails(name))
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    if (name == "baud_rate_custom") {
        channel->timing.custom = text.trimmed();
        return channel->timing.custom.isEmpty() ? 0 : 1;
    }
    return channel->filter.setProperty(name, text) ? 1 : 0;
}

// ---- Vendor interface: frames ----

uint32_t SimulatedAdapter::transmit(uint32_t channel, const CanTxRecord *records, uint32_t count)
{
    if (!enterCall(12))
        return 0;
    return sendBatch(channel, records, count, &SimChannel::classic);
}

uint32_t SimulatedAdapter::transmitFd(uint32_t channel, const CanFdTxRecord *records,
                                      uint32_t count)
{
    if (!enterCall(14))
        return 0;
    return sendBatch(channel, records, count, &SimChannel::fd);
}

uint32_t SimulatedAdapter::receive(uint32_t channel, CanRxRecord *records, uint32_t capacity,
                                   int32_t waitMs)
{
    if (!enterCall(13))
        return 0;
    return takeBatch(channel, records, capacity, waitMs, &SimChannel::classic);
}

uint32_t SimulatedAdapter::receiveFd(uint32_t channel, CanFdRxRecord *records, uint32_t capacity,
                                     int32_t waitMs)
{
    if (!enterCall(15))
        return 0;
    return takeBatch(channel, records, capacity, waitMs, &SimChannel::fd);
}

template <typename Tx, typename Rx>
uint32_t SimulatedAdapter::sendBatch(uint32_t handle, const Tx *records, uint32_t count,
                                     SimRxQueue<Rx> SimChannel::*queue)
{
    SimChannel *sender = channelFor(handle);
    if (!sender || !records || count == 0)
        return 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!lengthValid(records[i]))
            return 0;
    }
    std::lock_guard<std::mutex> bus(m_busMutex);
    if (!sender->isRunning() || sender->listenOnly)
        return 0;
    const uint64_t now = deviceTimeUs();
    SimChannel &peer = peerOf(*sender);
    if (peer.isRunning()) {
        (peer.*queue).append(count, [&](size_t i, Rx &rx) {
            const Tx &tx = records[i];
            if (!sender->timing.carries(peer.timing, isFd(tx), usesBitRateSwitch(tx)) ||
                !peer.filter.accepts(tx.id))
                return false;
            toReceived(tx, rx, now);
            return true;
        });
    }
    (sender->*queue).append(count, [&](size_t i, Rx &rx) {
        if (!echoes(records[i]))
            return false;
        toReceived(records[i], rx, now);
        return true;
    });
    sender->transmitted += count;
    return 1;
}

template <typename Rx>
uint32_t SimulatedAdapter::takeBatch(uint32_t handle, Rx *records, uint32_t capacity,
                                     int32_t waitMs, SimRxQueue<Rx> SimChannel::*queue)
{
    if (m_receiveOverridden)
        return m_receiveOverride;
    SimChannel *channel = channelFor(handle);
    if (!channel || !records)
        return 0;
    return (channel->*queue).take(records, capacity, waitMs);
}

bool SimulatedAdapter::injectFrame(int ch, const CanRxRecord &record)
{
    CanFdRxRecord frame{};
    frame.id = record.id;
    frame.length = record.length > 8 ? 8 : record.length;
    std::memcpy(frame.data, record.data, sizeof(record.data));
    frame.timeStamp = record.timeStamp ? record.timeStamp : deviceTimeUs();
    return deliverFromNode(ch, frame, false);
}

bool SimulatedAdapter::injectFrame(int ch, const CanFdRxRecord &record)
{
    CanFdRxRecord frame = record;
    frame.length = fdFrameLength(record.length > 64 ? 64 : record.length);
    if (!frame.timeStamp)
        frame.timeStamp = deviceTimeUs();
    return deliverFromNode(ch, frame, true);
}

bool SimulatedAdapter::deliverFromNode(int ch, const CanFdRxRecord &frame, bool fd)
{
    if (ch != 0 && ch != 1)
        return false;
    std::lock_guard<std::mutex> bus(m_busMutex);
    SimChannel &channel = *m_channels[ch];
    if (!channel.isRunning() || !channel.filter.accepts(frame.id))
        return false;
    if (fd) {
        channel.fd.append(1, [&](size_t, CanFdRxRecord &rx) {
            rx = frame;
            return true;
        });
    } else {
        channel.classic.append(1, [&](size_t, CanRxRecord &rx) {
            toClassic(frame, rx);
            return true;
        });
    }
    return true;
}

// ---- Device, bus and counters ----

uint64_t SimulatedAdapter::deviceTimeUs() const
{
    return (steadyNs() - uint64_t(m_openedAtNs.load())) / 1000;
}

void SimulatedAdapter::setPresentDevices(uint32_t count)
{
    m_presentDevices = count;
}

uint16_t SimulatedAdapter::firmwareVersion() const
{
    return uint16_t(m_firmwareVersion.load());
}

bool SimulatedAdapter::isInUpdateMode() const
{
    return m_updateMode;
}

void SimulatedAdapter::setUpdateDelayMs(int delayMs)
{
    m_updateDelayMs = delayMs;
}

QString SimulatedAdapter::updateVolumePath() const
{
    return m_volume.folderPath();
}

void SimulatedAdapter::setQueueLimit(size_t records)
{
    for (auto &channel : m_channels)
        channel->setQueueLimit(records);
}

uint64_t SimulatedAdapter::droppedFrames(int ch) const
{
    return m_channels[ch ? 1 : 0]->dropped();
}

uint64_t SimulatedAdapter::generatedFrames(int ch) const
{
    return m_channels[ch ? 1 : 0]->generated;
}

uint64_t SimulatedAdapter::transmittedFrames(int ch) const
{
    return m_channels[ch ? 1 : 0]->transmitted;
}

size_t SimulatedAdapter::queuedFrames(int ch) const
{
    const SimChannel &channel = *m_channels[ch ? 1 : 0];
    return channel.classic.size() + channel.fd.size();
}

// ---- Helpers ----

bool SimulatedAdapter::deviceUsable(uint32_t device) const
{
    return device != 0 && device == m_openDevice && m_plugged;
}

SimChannel *SimulatedAdapter::channelFor(uint32_t handle) const
{
    const uint32_t kind = (handle & ChannelBits) >> ChannelShift;
    if (kind != 1 && kind != 2)
        return nullptr;
    return channelAt(handle & ~ChannelBits, kind - 1);
}

SimChannel *SimulatedAdapter::channelAt(uint32_t device, uint32_t channelIndex) const
{
    if (channelIndex > 1 || !deviceUsable(device))
        return nullptr;
    return m_channels[channelIndex].get();
}

SimChannel &SimulatedAdapter::peerOf(const SimChannel &channel) const
{
    return *m_channels[&channel == m_channels[0].get() ? 1 : 0];
}

uint32_t SimulatedAdapter::channelHandle(uint32_t channelIndex) const
{
    return m_openDevice | ((channelIndex + 1) << ChannelShift);
}

void SimulatedAdapter::resetChannels()
{
    std::lock_guard<std::mutex> bus(m_busMutex);
    for (auto &channel : m_channels)
        channel->reset();
}

// The adapter restarting after update mode: it takes "firmware.bin" from its volume when
// it is there and the volume goes away. While still in update mode without an image it
// cannot be opened.
bool SimulatedAdapter::leaveUpdateMode()
{
    uint16_t version = 0;
    const SimUpdateVolume::Outcome outcome = m_volume.consume(&version);
    if (outcome == SimUpdateVolume::Outcome::NoImage) {
        if (m_updateMode)
            return false;
        m_volume.withdraw(); // a volume left from before the adapter restarted
        return true;
    }
    if (outcome == SimUpdateVolume::Outcome::Accepted) {
        m_firmwareVersion = version;
        if (!m_config.configPath.isEmpty())
            storeSimulatorFirmwareVersion(m_config.configPath, version);
    }
    m_updateMode = false;
    return true;
}

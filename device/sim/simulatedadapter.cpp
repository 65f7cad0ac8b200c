#include "device/sim/simulatedadapter.h"

#include "device/adapterconfig.h"
#include "device/cancarryrule.h"
#include "device/canerrorframe.h"
#include "device/canframebits.h"
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

// Bus time a transmit call waits at most for room in its FIFO.
constexpr uint64_t TransmitWaitLimitMs = 5000;
// A transmit call that finds its FIFO full waits until there is room for its batch and
// this many frames more, so a sender that keeps the FIFO full wakes once per so many
// frames rather than once per frame.
constexpr uint32_t TransmitRefill = 64;
constexpr uint64_t NsPerMs = 1000000;

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
template <typename Tx> bool echoes(const Tx &record)
{
    return record.transmitType == 2 || record.transmitType == 3;
}

void copyData(uint8_t *to, const uint8_t *from, uint32_t idWord, uint8_t length)
{
    if (!(idWord & CanRemoteFlag))
        std::memcpy(to, from, length);
}

// The record the receivers get (time stamp still 0).
CanFdRxRecord receivedFrom(const CanTxRecord &tx)
{
    CanFdRxRecord rx{};
    rx.id = tx.id;
    rx.length = tx.length;
    copyData(rx.data, tx.data, tx.id, tx.length);
    return rx;
}

CanFdRxRecord receivedFrom(const CanFdTxRecord &tx)
{
    CanFdRxRecord rx{};
    rx.id = tx.id;
    rx.length = CanFrameBits::paddedFdLength(tx.length);
    rx.flags = tx.flags & 1;
    copyData(rx.data, tx.data, tx.id, tx.length);
    return rx;
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
    m_clock = config.clock ? config.clock : std::make_shared<SteadySimClock>();
    for (auto &channel : m_channels)
        channel.reset(new SimChannel(config.queueLimit));
    const QStringList lines = config.nodes.isEmpty() ? defaultSimNodeLines() : config.nodes;
    for (uint64_t w = 0; w < 2; ++w)
        m_wires[w].nodes().setMessages(parseSimNodeLines(lines, nullptr), config.seed + w);
    m_openedAtNs = m_clock->nowNs();
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
    if (!leaveUpdateMode())
        return 0;
    if (deviceType != FerruleDeviceType || deviceIndex >= m_presentDevices || m_openDevice != 0)
        return 0;
    const uint32_t generation = (++m_generation) & 0x3FFF;
    resetChannels();
    m_openedAtNs = m_clock->nowNs();
    m_openDevice = HandleTag | (generation << 8) | deviceIndex;
    return m_openDevice;
}

uint32_t SimulatedAdapter::closeDevice(uint32_t device)
{
    if (device == 0 || device != m_openDevice)
        return 0;
    resetChannels();
    m_openDevice = 0;
    return 1;
}

uint32_t SimulatedAdapter::readBoardInfo(uint32_t device, BoardInfo *info)
{
    if (!info || !deviceUsable(device))
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
    return deviceUsable(device) ? 2 : 0;
}

PropertyTable *SimulatedAdapter::getPropertyTable(uint32_t device)
{
    if (!deviceUsable(device))
        return nullptr;
    return m_properties.get();
}

uint32_t SimulatedAdapter::switchToUpdateMode(uint32_t device)
{
    if (!deviceUsable(device))
        return 0;
    resetChannels();
    m_openDevice = 0;
    m_updateMode = true;
    m_volume.present(m_updateDelayMs);
    return 1;
}

uint32_t SimulatedAdapter::recover()
{
    return 0;
}

// ---- Vendor interface: channels ----

uint32_t SimulatedAdapter::initCan(uint32_t device, uint32_t channelIndex,
                                   const ChannelInitConfig *config)
{
    SimChannel *channel = channelAt(device, channelIndex);
    if (!channel || !config)
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
    if (!target || !target->initialised)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    target->started = true;
    const int ch = indexOf(*target);
    updateNodes(m_config.separateWires ? ch : 0, m_clock->nowNs());
    return 1;
}

uint32_t SimulatedAdapter::resetCan(uint32_t channel)
{
    SimChannel *target = channelFor(channel);
    if (!target)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    const uint64_t now = m_clock->nowNs();
    advanceBus(now);
    const int ch = indexOf(*target);
    target->reset();
    wireOf(ch).clear(ch);
    updateNodes(m_config.separateWires ? ch : 0, now);
    m_busChanged.notify_all();
    m_transmitReset.notify_all();
    return 1;
}

uint32_t SimulatedAdapter::setArbitrationBaudRate(uint32_t device, uint32_t channelIndex,
                                                  uint32_t bitRate)
{
    SimChannel *channel = channelAt(device, channelIndex);
    if (!channel || bitRate == 0 || bitRate > 1000000)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    channel->timing.arbitration = bitRate;
    channel->timing.custom.clear();
    return 1;
}

uint32_t SimulatedAdapter::setDataBaudRate(uint32_t device, uint32_t channelIndex, uint32_t bitRate)
{
    SimChannel *channel = channelAt(device, channelIndex);
    if (!channel || bitRate == 0 || bitRate > 8000000)
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
    if (!channel || standard > 1)
        return 0;
    std::lock_guard<std::mutex> bus(m_busMutex);
    channel->timing.standard = standard;
    return 1;
}

uint32_t SimulatedAdapter::setProperty(const char *path, const char *value)
{
    const QByteArray fullPath(path ? path : "");
    const QByteArray text(value ? value : "");
    const int slash = fullPath.indexOf('/');
    const QByteArray name = fullPath.mid(slash + 1);
    SimChannel *channel =
        slash == 1 ? channelAt(m_openDevice, uint32_t(fullPath[0] - '0')) : nullptr;
    if (!channel)
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
    return sendBatch(channel, records, count);
}

uint32_t SimulatedAdapter::transmitFd(uint32_t channel, const CanFdTxRecord *records,
                                      uint32_t count)
{
    return sendBatch(channel, records, count);
}

uint32_t SimulatedAdapter::receive(uint32_t channel, CanRxRecord *records, uint32_t capacity,
                                   int32_t waitMs)
{
    return takeBatch(channel, records, capacity, waitMs, &SimChannel::classic);
}

uint32_t SimulatedAdapter::receiveFd(uint32_t channel, CanFdRxRecord *records, uint32_t capacity,
                                     int32_t waitMs)
{
    return takeBatch(channel, records, capacity, waitMs, &SimChannel::fd);
}

// Refuses the whole batch when one record cannot go on a bus or the batch cannot fit the
// FIFO; otherwise waits (bounded) until the whole batch fits and queues it at once.
template <typename Tx>
uint32_t SimulatedAdapter::sendBatch(uint32_t handle, const Tx *records, uint32_t count)
{
    SimChannel *sender = channelFor(handle);
    if (!sender || !records || count == 0 || count > m_config.txFifoDepth)
        return 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!CanCarryRule::refusal(records[i]).isEmpty())
            return 0;
    }
    const int ch = indexOf(*sender);
    SimWire &wire = wireOf(ch);
    std::unique_lock<std::mutex> bus(m_busMutex);
    const uint32_t epoch = sender->epoch;
    const uint64_t giveUpNs = m_clock->nowNs() + TransmitWaitLimitMs * NsPerMs;
    const size_t depth = m_config.txFifoDepth;
    size_t room = count; // what the FIFO must hold besides its frames
    uint64_t now = 0;
    for (;;) {
        now = m_clock->nowNs();
        advanceBus(now);
        if (!sender->isRunning() || sender->listenOnly || sender->epoch != epoch)
            return 0;
        if (wire.pending(ch) + room <= depth)
            break;
        if (now >= giveUpNs)
            return 0;
        room = std::min<size_t>(depth, count + TransmitRefill);
        const uint64_t roomAt = wire.leftFifoNs(ch, wire.pending(ch) + room - depth, now);
        m_clock->waitUntil(bus, m_transmitReset, std::min(giveUpNs, roomAt));
    }
    const SimBusTiming timing = sender->timing;
    for (uint32_t i = 0; i < count; ++i)
        wire.queue(ch, wireFrame(records[i], timing, now));
    sender->transmitted += count;
    m_busChanged.notify_all();
    return 1;
}

template <typename Tx>
SimWireFrame SimulatedAdapter::wireFrame(const Tx &record, const SimBusTiming &timing,
                                         uint64_t nowNs) const
{
    SimWireFrame frame;
    frame.record = receivedFrom(record);
    frame.fd = isFd(record);
    frame.echo = echoes(record);
    frame.queuedNs = nowNs;
    const bool brs = usesBitRateSwitch(record);
    const CanFrameBits bits(record.id, record.length, record.data, frame.fd, brs);
    const uint32_t arbitration = timing.arbitrationRate();
    frame.setTiming(bits, arbitration, brs ? timing.dataRate() : arbitration);
    return frame;
}

template <typename Rx>
uint32_t SimulatedAdapter::takeBatch(uint32_t handle, Rx *records, uint32_t capacity,
                                     int32_t waitMs, SimRxQueue<Rx> SimChannel::*queue)
{
    SimChannel *channel = channelFor(handle);
    if (!channel || !records)
        return 0;
    std::unique_lock<std::mutex> bus(m_busMutex);
    const uint64_t deadline = m_clock->nowNs() + uint64_t(std::max(0, waitMs)) * NsPerMs;
    for (;;) {
        const uint64_t now = m_clock->nowNs();
        advanceBus(now);
        const uint32_t taken = (channel->*queue).take(records, capacity, 0);
        if (taken != 0 || now >= deadline)
            return taken;
        m_clock->waitUntil(bus, m_busChanged, std::min(deadline, nextBusEventNs()));
    }
}

void SimulatedAdapter::advanceBus(uint64_t nowNs)
{
    for (int w = 0; w < 2; ++w) {
        m_wires[w].advance(nowNs, [&](int sender, const SimWireFrame &frame, uint64_t eofNs) {
            deliverFromWire(w, sender, frame, eofNs);
        });
    }
}

uint64_t SimulatedAdapter::nextBusEventNs() const
{
    return std::min(m_wires[0].nextEventNs(), m_wires[1].nextEventNs());
}

// A frame that has gone out on the wire: to every other started channel on it that shares
// the sender's bit timing and whose filter passes it (channels that do not share the
// timing see an error frame instead), and back to the sender when it asked for its echo.
void SimulatedAdapter::deliverFromWire(int wire, int sender, const SimWireFrame &frame,
                                       uint64_t endOfFrameNs)
{
    CanFdRxRecord rx = frame.record;
    rx.timeStamp = stampUs(endOfFrameNs);
    const bool brs = frame.fd && (rx.flags & 1);
    const bool fromNode = sender == SimWire::NodeSender;
    const SimBusTiming &timing = fromNode ? m_nodeTiming[wire] : m_channels[sender]->timing;
    for (int ch = 0; ch < 2; ++ch) {
        SimChannel &to = *m_channels[ch];
        if (ch == sender || !to.isRunning() || (m_config.separateWires && ch != wire))
            continue;
        if (!timing.carries(to.timing, frame.fd, brs)) {
            const CanRxRecord error = CanErrorFrame::formError(rx.timeStamp);
            to.classic.append(1, [&](size_t, CanRxRecord &record) {
                record = error;
                return true;
            });
            ++to.errorFrames;
        } else if (to.filter.accepts(rx.id)) {
            deliverTo(to, rx, frame.fd);
        }
    }
    if (!fromNode) {
        SimChannel &from = *m_channels[sender];
        ++from.wireSent;
        if (frame.echo && from.isRunning())
            deliverTo(from, rx, frame.fd);
    }
    m_busChanged.notify_all();
}

void SimulatedAdapter::deliverTo(SimChannel &to, const CanFdRxRecord &rx, bool fd)
{
    if (fd) {
        to.fd.append(1, [&](size_t, CanFdRxRecord &record) {
            record = rx;
            return true;
        });
    } else {
        to.classic.append(1, [&](size_t, CanRxRecord &record) {
            toClassic(rx, record);
            return true;
        });
    }
}

// The nodes of a wire run while traffic is on (in nodes mode) and a channel on the wire is
// started; they take the bit timing of the channel that was started first.
void SimulatedAdapter::updateNodes(int wire, uint64_t nowNs)
{
    SimWire &w = m_wires[wire];
    const SimChannel *first = nullptr;
    for (int ch = 0; ch < 2; ++ch) {
        if ((!m_config.separateWires || ch == wire) && m_channels[ch]->isRunning()) {
            first = m_channels[ch].get();
            break;
        }
    }
    const bool wanted = first && m_trafficEnabled && m_config.trafficMode == SimTrafficMode::Nodes;
    if (!wanted) {
        w.stopNodes();
        return;
    }
    if (w.nodes().isRunning())
        return;
    advanceBus(nowNs);
    m_nodeTiming[wire] = first->timing;
    w.nodes().start(nowNs, first->timing.arbitrationRate(), first->timing.dataRate());
    m_busChanged.notify_all();
}

uint64_t SimulatedAdapter::stampUs(uint64_t clockNs) const
{
    const uint64_t origin = m_openedAtNs.load();
    return clockNs > origin ? (clockNs - origin) / 1000 : 0;
}

bool SimulatedAdapter::deliverFromNode(int ch, const CanFdRxRecord &frame, bool fd)
{
    if (ch != 0 && ch != 1)
        return false;
    std::lock_guard<std::mutex> bus(m_busMutex);
    SimChannel &channel = *m_channels[ch];
    if (!channel.isRunning() || !channel.filter.accepts(frame.id))
        return false;
    deliverTo(channel, frame, fd);
    m_busChanged.notify_all();
    return true;
}

// ---- Device, bus and counters ----

uint64_t SimulatedAdapter::deviceTimeUs() const
{
    return stampUs(m_clock->nowNs());
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

ReceiveLosses SimulatedAdapter::receiveLosses(uint32_t ch)
{
    {
        std::lock_guard<std::mutex> bus(m_busMutex);
        advanceBus(m_clock->nowNs());
    }
    ReceiveLosses losses;
    losses.fifoOverflow = int64_t(droppedFrames(ch ? 1 : 0));
    return losses;
}

uint64_t SimulatedAdapter::errorFrames(int ch) const
{
    return m_channels[ch ? 1 : 0]->errorFrames;
}

uint64_t SimulatedAdapter::generatedFrames(int ch) const
{
    return m_channels[ch ? 1 : 0]->generated;
}

uint64_t SimulatedAdapter::transmittedFrames(int ch) const
{
    return m_channels[ch ? 1 : 0]->transmitted;
}

uint64_t SimulatedAdapter::wireSentFrames(int ch) const
{
    return m_channels[ch ? 1 : 0]->wireSent;
}

size_t SimulatedAdapter::queuedFrames(int ch)
{
    std::lock_guard<std::mutex> bus(m_busMutex);
    advanceBus(m_clock->nowNs());
    const SimChannel &channel = *m_channels[ch ? 1 : 0];
    return channel.classic.size() + channel.fd.size();
}

size_t SimulatedAdapter::pendingTransmits(int ch)
{
    std::lock_guard<std::mutex> bus(m_busMutex);
    advanceBus(m_clock->nowNs());
    const int index = ch ? 1 : 0;
    return m_wires[m_config.separateWires ? index : 0].unfinished(index);
}

uint64_t SimulatedAdapter::wireBusyNs(int w)
{
    std::lock_guard<std::mutex> bus(m_busMutex);
    advanceBus(m_clock->nowNs());
    return m_wires[w ? 1 : 0].busyNs();
}

// ---- Helpers ----

bool SimulatedAdapter::deviceUsable(uint32_t device) const
{
    return device != 0 && device == m_openDevice;
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

int SimulatedAdapter::indexOf(const SimChannel &channel) const
{
    return &channel == m_channels[0].get() ? 0 : 1;
}

SimWire &SimulatedAdapter::wireOf(int ch)
{
    return m_wires[m_config.separateWires ? ch : 0];
}

uint32_t SimulatedAdapter::channelHandle(uint32_t channelIndex) const
{
    return m_openDevice | ((channelIndex + 1) << ChannelShift);
}

void SimulatedAdapter::resetChannels()
{
    std::lock_guard<std::mutex> bus(m_busMutex);
    for (int ch = 0; ch < 2; ++ch) {
        m_channels[ch]->reset();
        wireOf(ch).clear(ch);
    }
    for (SimWire &wire : m_wires)
        wire.stopNodes();
    m_busChanged.notify_all();
    m_transmitReset.notify_all();
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

#include "device/serialbus/serialbusbackend.h"

#include "device/serialbus/serialbuschannel.h"
#include "device/serialbus/serialbusframes.h"
#include "device/serialbus/serialbusproperties.h"
#include "device/serialbus/serialbusworker.h"
#include "device/serialbus/socketcanlink.h"

#include <QCanBus>
#include <QDeadlineTimer>
#include <QThread>
#include <QUrl>
#include <QVariant>

#include <cstring>

namespace {

// Short name of an interface: "can0" for both "can0" and "tcp://host:port/can0".
QString shortName(const QString &interface)
{
    const QUrl url(interface);
    return url.scheme().isEmpty() ? interface : url.fileName();
}

void copyText(char *target, size_t size, const QByteArray &text)
{
    std::memset(target, 0, size);
    std::memcpy(target, text.constData(), qMin(size - 1, size_t(text.size())));
}

} // namespace

std::shared_ptr<VendorApi> createSerialBusBackend(const SerialBusConfig &config, QString *error)
{
    if (!QCanBus::instance()->plugins().contains(config.plugin)) {
        if (error)
            *error = QStringLiteral("QtSerialBus plugin \"%1\" is not installed (available: %2)")
                         .arg(config.plugin, QCanBus::instance()->plugins().join(", "));
        return nullptr;
    }
    if (config.interfaces[0].isEmpty() || config.interfaces[1].isEmpty()) {
        if (error)
            *error = QStringLiteral("QtSerialBus backend needs an interface for both channels");
        return nullptr;
    }
    return std::make_shared<SerialBusBackend>(config);
}

SerialBusBackend::SerialBusBackend(const SerialBusConfig &config)
    : m_config(config), m_properties(std::make_unique<SerialBusProperties>(this)),
      m_thread(std::make_unique<QThread>())
{
    for (auto &channel : m_channels)
        channel = std::make_unique<SerialBusChannel>(config.queueCapacity);
    m_thread->setObjectName(QStringLiteral("serialbus"));
    m_worker = new SerialBusWorker(config, m_channels[0].get(), m_channels[1].get());
    m_worker->moveToThread(m_thread.get());
    m_thread->start();
}

SerialBusBackend::~SerialBusBackend()
{
    m_worker->run([this] { m_worker->disconnectDevices(); });
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
}

QString SerialBusBackend::lastError() const
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    return m_lastError;
}

uint64_t SerialBusBackend::droppedFrames(uint32_t ch) const
{
    return m_channels[ch ? 1 : 0]->droppedFrames();
}

ReceiveLosses SerialBusBackend::receiveLosses(uint32_t ch)
{
    ReceiveLosses losses;
    losses.backendDropped = int64_t(droppedFrames(ch));
    return losses;
}

bool SerialBusBackend::fail(const QString &reason)
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    m_lastError = reason;
    return false;
}

bool SerialBusBackend::isSocketCan() const
{
    return m_config.plugin == QLatin1String("socketcan");
}

bool SerialBusBackend::isVirtualCan() const
{
    return m_config.plugin == QLatin1String("virtualcan");
}

bool SerialBusBackend::checkDevice(uint32_t device, uint32_t ch)
{
    if (device != DeviceHandle || !m_open)
        return fail(QStringLiteral("device not open"));
    if (ch > 1)
        return fail(QStringLiteral("no channel %1").arg(ch));
    return true;
}

SerialBusChannel *SerialBusBackend::channelOf(uint32_t handle)
{
    if (!m_open || handle < ChannelHandle0 || handle > ChannelHandle0 + 1)
        return nullptr;
    SerialBusChannel *channel = m_channels[handle - ChannelHandle0].get();
    return channel->isInitialised() ? channel : nullptr;
}

// --- device ---------------------------------------------------------------------------

uint32_t SerialBusBackend::openDevice(uint32_t deviceType, uint32_t deviceIndex, uint32_t)
{
    if (m_open)
        return fail(QStringLiteral("device already open"));
    if (deviceType != FerruleDeviceType || deviceIndex != 0)
        return fail(QStringLiteral("only device index 0 is configured for QtSerialBus"));
    QString error;
    bool started = false;
    m_worker->run([&] { started = m_worker->connectDevices(&error); });
    if (!started || !waitConnected()) {
        m_worker->run([this] { m_worker->disconnectDevices(); });
        return started ? 0 : fail(error);
    }
    for (auto &channel : m_channels)
        channel->reset();
    m_properties->reset();
    forgetLinks();
    m_open = true;
    return DeviceHandle;
}

bool SerialBusBackend::waitConnected()
{
    const int result = m_worker->waitForConnection(QDeadlineTimer(ConnectTimeoutMs));
    if (result == 0 || result == 1)
        return fail(
            QStringLiteral("%1 %2: %3")
                .arg(m_config.plugin, m_config.interfaces[result], m_worker->deviceError(result)));
    if (result == 2)
        return fail(QStringLiteral("%1: interfaces did not connect within %2 ms")
                        .arg(m_config.plugin)
                        .arg(ConnectTimeoutMs));
    return true;
}

uint32_t SerialBusBackend::closeDevice(uint32_t device)
{
    if (device != DeviceHandle || !m_open)
        return fail(QStringLiteral("device not open"));
    m_open = false;
    m_worker->run([this] { m_worker->disconnectDevices(); });
    for (auto &channel : m_channels)
        channel->reset();
    forgetLinks();
    return 1;
}

uint32_t SerialBusBackend::deviceStatus(uint32_t device)
{
    if (device != DeviceHandle || !m_open)
        return 0;
    for (int ch = 0; ch < 2; ++ch) {
        if (!m_worker->isConnected(ch))
            return fail(QStringLiteral("%1 lost: %2")
                            .arg(m_config.interfaces[ch], m_worker->deviceError(ch)));
        if (isSocketCan() && !SocketCanLink::exists(m_config.interfaces[ch]))
            return fail(QStringLiteral("interface %1 vanished").arg(m_config.interfaces[ch]));
    }
    return 2;
}

uint32_t SerialBusBackend::readBoardInfo(uint32_t device, BoardInfo *info)
{
    if (device != DeviceHandle || !m_open || !info)
        return fail(QStringLiteral("device not open"));
    std::memset(info, 0, sizeof *info);
    info->driverVersion = Version;
    info->interfaceVersion = Version;
    info->channelCount = 2;
    const QString names =
        shortName(m_config.interfaces[0]) + QLatin1Char(',') + shortName(m_config.interfaces[1]);
    copyText(info->serialNumber, sizeof info->serialNumber, names.toLatin1());
    copyText(info->hardwareType, sizeof info->hardwareType,
             QStringLiteral("QtSerialBus %1 %2").arg(m_config.plugin, names).toLatin1());
    return 1;
}

PropertyTable *SerialBusBackend::getPropertyTable(uint32_t device)
{
    return device == DeviceHandle && m_open ? m_properties.get() : nullptr;
}

uint32_t SerialBusBackend::switchToUpdateMode(uint32_t)
{
    return fail(QStringLiteral("QtSerialBus interfaces have no firmware update mode"));
}

uint32_t SerialBusBackend::recover()
{
    return 1;
}

// --- channels -------------------------------------------------------------------------

uint32_t SerialBusBackend::initCan(uint32_t device, uint32_t channelIndex,
                                   const ChannelInitConfig *config)
{
    if (!checkDevice(device, channelIndex) || !config)
        return 0;
    if (config->workMode > 1)
        return fail(QStringLiteral("unknown work mode %1").arg(config->workMode));
    if (!applySetting(channelIndex, Setting::WorkMode, config->workMode))
        return 0;
    m_channels[channelIndex]->initialise(config->workMode == 1);
    return ChannelHandle0 + channelIndex;
}

uint32_t SerialBusBackend::startCan(uint32_t channel)
{
    SerialBusChannel *target = channelOf(channel);
    if (!target)
        return fail(QStringLiteral("channel not initialised"));
    if (!m_worker->isConnected(int(channel - ChannelHandle0)))
        return fail(QStringLiteral("channel interface not connected"));
    target->start();
    return 1;
}

uint32_t SerialBusBackend::resetCan(uint32_t channel)
{
    SerialBusChannel *target = channelOf(channel);
    if (!target)
        return fail(QStringLiteral("channel not initialised"));
    target->reset();
    m_links[channel - ChannelHandle0].reset(); // the next start reads the interface again
    applyFilter(channel - ChannelHandle0, SerialBusFilter()); // undo a raw filter
    return 1;
}

// --- controller settings --------------------------------------------------------------

uint32_t SerialBusBackend::setArbitrationBaudRate(uint32_t device, uint32_t channelIndex,
                                                  uint32_t bitRate)
{
    return checkDevice(device, channelIndex) &&
           applySetting(channelIndex, Setting::ArbitrationRate, bitRate);
}

uint32_t SerialBusBackend::setDataBaudRate(uint32_t device, uint32_t channelIndex, uint32_t bitRate)
{
    return checkDevice(device, channelIndex) &&
           applySetting(channelIndex, Setting::DataRate, bitRate);
}

uint32_t SerialBusBackend::setCanFdStandard(uint32_t device, uint32_t channelIndex,
                                            uint32_t standard)
{
    if (!checkDevice(device, channelIndex))
        return 0;
    if (standard > 1)
        return fail(QStringLiteral("unknown CAN FD standard %1").arg(standard));
    return applySetting(channelIndex, Setting::Standard, standard);
}

bool SerialBusBackend::applyCustomBitRate(uint32_t ch, const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    bool okArbitration = false;
    bool okData = parts.size() == 1;
    const uint arbitration = parts.first().trimmed().toUInt(&okArbitration);
    const uint data = parts.size() == 2 ? parts.last().trimmed().toUInt(&okData) : 0;
    if (!okArbitration || !okData || parts.size() > 2 || arbitration == 0)
        return fail(
            QStringLiteral("custom bit rate \"%1\" is not \"<bit/s>[/<data bit/s>]\"").arg(text));
    return applySetting(ch, Setting::ArbitrationRate, arbitration) &&
           (parts.size() == 1 || applySetting(ch, Setting::DataRate, data));
}

// Hands a setting to the plugin where QtSerialBus has a key for it. virtualcan carries
// frames without bit timing, so rates, standard and work mode hold trivially there (the
// work mode is enforced by refusing transmits); SocketCAN controllers are configured by
// the system, so the kernel's settings must match what was asked for.
bool SerialBusBackend::applySetting(uint32_t ch, Setting setting, uint32_t value)
{
    QString error;
    bool accepted = true;
    if (setting == Setting::ArbitrationRate || setting == Setting::DataRate) {
        const auto key = setting == Setting::ArbitrationRate ? QCanBusDevice::BitRateKey
                                                             : QCanBusDevice::DataBitRateKey;
        m_worker->run([&] { accepted = m_worker->setParameter(int(ch), key, value, &error); });
    }
    if (isSocketCan())
        return checkSocketCan(ch, setting, value);
    if (isVirtualCan())
        return true;
    if (setting == Setting::Standard && value != 0)
        return fail(QStringLiteral("%1 offers no non-ISO CAN FD").arg(m_config.plugin));
    return accepted || fail(error);
}

bool SerialBusBackend::checkSocketCan(uint32_t ch, Setting setting, uint32_t value)
{
    const QString &name = m_config.interfaces[ch];
    SocketCanLink link;
    if (!socketCanLink(ch, &link))
        return false;
    if (link.isVirtual())
        return true;
    const QString hint = QStringLiteral(" (set it with: ip link set %1 type can ...)").arg(name);
    switch (setting) {
    case Setting::ArbitrationRate:
        return link.bitRate == value || fail(QStringLiteral("%1 runs at %2 bit/s, not %3")
                                                 .arg(name)
                                                 .arg(link.bitRate)
                                                 .arg(value) +
                                             hint);
    case Setting::DataRate:
        if (!link.fd)
            return fail(QStringLiteral("%1 is not in CAN FD mode").arg(name) + hint);
        return link.dataBitRate == value ||
               fail(QStringLiteral("%1 data phase runs at %2 bit/s, not %3")
                        .arg(name)
                        .arg(link.dataBitRate)
                        .arg(value) +
                    hint);
    case Setting::Standard:
        return !link.fd || link.nonIso == (value == 1) ||
               fail(QStringLiteral("%1 CAN FD standard is %2")
                        .arg(name, link.nonIso ? "BOSCH (fd-non-iso on)" : "ISO") +
                    hint);
    case Setting::WorkMode:
        return link.listenOnly == (value == 1) ||
               fail(QStringLiteral("%1 listen-only is %2")
                        .arg(name, link.listenOnly ? "on" : "off") +
                    hint);
    }
    return false;
}

bool SerialBusBackend::socketCanLink(uint32_t ch, SocketCanLink *link)
{
    std::unique_ptr<SocketCanLink> &known = m_links[ch & 1];
    if (!known) {
        auto read = std::make_unique<SocketCanLink>();
        QString error;
        if (!SocketCanLink::query(m_config.interfaces[ch & 1], read.get(), &error))
            return fail(error);
        known = std::move(read);
    }
    *link = *known;
    return true;
}

void SerialBusBackend::forgetLinks()
{
    for (auto &link : m_links)
        link.reset();
}

bool SerialBusBackend::applyFilter(uint32_t ch, const SerialBusFilter &filter)
{
    if (ch > 1 || !m_open)
        return fail(QStringLiteral("device not open"));
    m_channels[ch]->setFilter(filter);
    if (!isSocketCan())
        return true;
    // The raw filter spares the socket unwanted frames; the channel filter stays the
    // authority, so a list too long for it leaves the socket accepting everything.
    QList<QCanBusDevice::Filter> raw;
    if (!filter.toRawFilter(&raw))
        SerialBusFilter().toRawFilter(&raw);
    QString error;
    m_worker->run([&] {
        m_worker->setParameter(int(ch), QCanBusDevice::RawFilterKey, QVariant::fromValue(raw),
                               &error);
    });
    return true;
}

// --- frames ---------------------------------------------------------------------------

uint32_t SerialBusBackend::transmit(uint32_t channel, const CanTxRecord *records, uint32_t count)
{
    return transmitRecords(channel, records, count);
}

uint32_t SerialBusBackend::transmitFd(uint32_t channel, const CanFdTxRecord *records,
                                      uint32_t count)
{
    return transmitRecords(channel, records, count);
}

uint32_t SerialBusBackend::receive(uint32_t channel, CanRxRecord *records, uint32_t capacity,
                                   int32_t waitMs)
{
    return receiveRecords(channel, records, capacity, waitMs);
}

uint32_t SerialBusBackend::receiveFd(uint32_t channel, CanFdRxRecord *records, uint32_t capacity,
                                     int32_t waitMs)
{
    return receiveRecords(channel, records, capacity, waitMs);
}

// The whole batch is checked before the first frame is written; 1 means every frame
// was handed to the plugin. Transmit types 2 and 3 (self-reception) turn on the
// plugin's receive-own setting; the echoes of the other frames are dropped.
template <typename Record>
uint32_t SerialBusBackend::transmitRecords(uint32_t handle, const Record *records, uint32_t count)
{
    SerialBusChannel *channel = channelOf(handle);
    if (!channel || !channel->isStarted())
        return fail(QStringLiteral("channel not started"));
    if (channel->isListenOnly())
        return fail(QStringLiteral("channel is listen-only"));
    QVector<QCanBusFrame> frames(static_cast<int>(count));
    QVector<bool> keepEcho(static_cast<int>(count));
    QString error;
    for (uint32_t i = 0; i < count; ++i) {
        if (!SerialBusFrames::fromTxRecord(records[i], &frames[int(i)], &error))
            return fail(QStringLiteral("frame %1: %2").arg(i).arg(error));
        keepEcho[int(i)] = records[i].transmitType == 2 || records[i].transmitType == 3;
    }
    const int ch = int(handle - ChannelHandle0);
    int written = 0;
    m_worker->run([&] {
        if (!channel->echoesEnabled() && keepEcho.contains(true) &&
            m_worker->setParameter(ch, QCanBusDevice::ReceiveOwnKey, true, &error))
            channel->enableEchoes();
        if (channel->echoesEnabled())
            channel->expectEchoes(keepEcho);
        written = m_worker->writeFrames(ch, frames, &error);
        if (channel->echoesEnabled())
            channel->forgetEchoes(int(count) - written);
    });
    return written == int(count) ? 1 : fail(error);
}

template <typename Record>
uint32_t SerialBusBackend::receiveRecords(uint32_t handle, Record *records, uint32_t capacity,
                                          int32_t waitMs)
{
    SerialBusChannel *channel = channelOf(handle);
    if (!channel || !records)
        return 0;
    const QDeadlineTimer deadline(qMax(0, waitMs));
    if constexpr (std::is_same_v<Record, CanRxRecord>)
        return channel->takeClassic(records, capacity, deadline);
    else
        return channel->takeFd(records, capacity, deadline);
}

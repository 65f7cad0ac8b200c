#include "device/devicelayer.h"

#include "device/adapterconfig.h"
#include "device/bitratetext.h"
#include "device/serialbus/serialbusbackend.h"
#include "device/sim/simulatedadapter.h"

#include <QDebug>

#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

DeviceState g_state;

// The backend is owned by g_backendOwner (guarded by g_backendMutex); the hot paths read
// the raw pointer only, so a receive or transmit call neither locks nor copies. A backend
// is replaced only while no worker thread uses the device layer.
std::mutex g_backendMutex;
std::shared_ptr<VendorApi> g_backendOwner;
std::atomic<VendorApi *> g_backend{nullptr};
QString g_backendError;

VendorApi &installDefaultBackend()
{
    std::lock_guard<std::mutex> lock(g_backendMutex);
    if (!g_backendOwner) {
        QString error;
        g_backendOwner = createConfiguredBackend(&error);
        if (!g_backendOwner) {
            g_backendError = error;
            g_backendOwner = std::make_shared<SimulatedAdapter>(loadAdapterSettings().simulator);
        }
        g_backend.store(g_backendOwner.get(), std::memory_order_release);
    }
    return *g_backendOwner;
}

VendorApi &api()
{
    VendorApi *backend = g_backend.load(std::memory_order_acquire);
    return backend ? *backend : installDefaultBackend();
}

uint32_t channelHandle(uint32_t ch)
{
    return ch == 0 ? g_state.channel1.load() : g_state.channel2.load();
}

bool setProperty(uint32_t ch, const char *name, const QString &value)
{
    PropertyTable *table = g_state.propertyTable.load();
    if (!table)
        return false;
    const QByteArray path =
        (QString::number(ch) + QLatin1Char('/') + QLatin1String(name)).toLatin1();
    return table->setValue(path.constData(), value.toUtf8().constData()) == 1;
}

// The backend's raw count read as a signed 32-bit number, kept within 0..capacity.
uint32_t clampCount(uint32_t raw, uint32_t capacity)
{
    if (static_cast<int32_t>(raw) < 0)
        return 0;
    return raw > capacity ? capacity : raw;
}

} // namespace

void setVendorBackend(std::shared_ptr<VendorApi> backend)
{
    std::shared_ptr<VendorApi> previous;
    {
        std::lock_guard<std::mutex> lock(g_backendMutex);
        previous = std::move(g_backendOwner);
        g_backendOwner = std::move(backend);
        g_backendError.clear();
        g_backend.store(g_backendOwner.get(), std::memory_order_release);
    }
}

std::shared_ptr<VendorApi> vendorBackend()
{
    api();
    std::lock_guard<std::mutex> lock(g_backendMutex);
    return g_backendOwner;
}

QString vendorBackendError()
{
    std::lock_guard<std::mutex> lock(g_backendMutex);
    return g_backendError;
}

QString deviceOpenFailureReason()
{
    const std::shared_ptr<VendorApi> backend = vendorBackend();
    if (const auto *serialBus = dynamic_cast<const SerialBusBackend *>(backend.get())) {
        const QString reason = serialBus->lastError();
        if (!reason.isEmpty())
            return reason;
    }
    return vendorBackendError();
}

const DeviceState &deviceState()
{
    return g_state;
}

bool isDeviceOpen()
{
    return g_state.device.load() != 0;
}

bool isChannelOpen(uint32_t ch)
{
    return channelHandle(ch) != 0;
}

bool openDevice(uint32_t deviceType, uint32_t deviceIndex, uint32_t reserved)
{
    if (isDeviceOpen())
        return false;
    VendorApi &vendor = api();
    g_state.device = vendor.openDevice(deviceType, deviceIndex, reserved);
    if (g_state.device.load() == 0) {
        vendor.recover();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        g_state.device = vendor.openDevice(deviceType, deviceIndex, reserved);
        if (g_state.device.load() == 0)
            return false;
    }
    g_state.propertyTable = vendor.getPropertyTable(g_state.device);
    if (g_state.propertyTable.load())
        return true;
    vendor.closeDevice(g_state.device);
    g_state.device = 0;
    return false;
}

void closeDevice()
{
    api().closeDevice(g_state.device);
    resetDeviceState();
}

void resetDeviceState()
{
    g_state.device = 0;
    g_state.channel1 = 0;
    g_state.channel2 = 0;
    g_state.propertyTable = nullptr;
    g_state.infoText.clear();
    std::memset(&g_state.initConfig, 0, sizeof(g_state.initConfig));
    for (int ch = 0; ch < 2; ++ch) {
        g_state.arbitrationRate[ch] = 0;
        g_state.dataRate[ch] = 0;
    }
}

bool setCanFdStandard(uint32_t ch, uint32_t standard)
{
    return api().setCanFdStandard(g_state.device, ch, standard) == 1;
}

bool setBaudRate(uint32_t ch, uint32_t arbitrationBitRate, uint32_t dataBitRate)
{
    VendorApi &vendor = api();
    if (vendor.setArbitrationBaudRate(g_state.device, ch, arbitrationBitRate) != 1)
        return false;
    if (vendor.setDataBaudRate(g_state.device, ch, dataBitRate) != 1)
        return false;
    g_state.arbitrationRate[ch ? 1 : 0] = arbitrationBitRate;
    g_state.dataRate[ch ? 1 : 0] = dataBitRate;
    return true;
}

bool setCustomBaudRate(uint32_t ch, const QString &value)
{
    if (!setProperty(ch, "baud_rate_custom", value))
        return false;
    const QVector<uint32_t> rates = ratesInBitRateText(value.toLatin1());
    g_state.arbitrationRate[ch ? 1 : 0] = rates.isEmpty() ? 0 : rates[0];
    g_state.dataRate[ch ? 1 : 0] = rates.isEmpty() ? 0 : rates.value(1, rates[0]);
    return true;
}

ChannelBitRates channelBitRates(uint32_t ch)
{
    return {g_state.arbitrationRate[ch ? 1 : 0].load(), g_state.dataRate[ch ? 1 : 0].load()};
}

ReceiveLosses receiveLosses(uint32_t ch)
{
    const std::shared_ptr<VendorApi> backend = vendorBackend();
    if (auto *counter = dynamic_cast<ReceiveLossCounter *>(backend.get()))
        return counter->receiveLosses(ch ? 1 : 0);
    return ReceiveLosses();
}

bool clearFilter(uint32_t ch)
{
    return setProperty(ch, "filter_clear", QStringLiteral("0"));
}

bool setFilter(uint32_t ch, uint32_t mode, const QString &start, const QString &end)
{
    return setProperty(ch, "filter_mode", QString::number(mode)) &&
           setProperty(ch, "filter_start", start) && setProperty(ch, "filter_end", end);
}

bool ackFilter(uint32_t ch)
{
    return setProperty(ch, "filter_ack", QStringLiteral("0"));
}

bool initCan(uint32_t ch, uint8_t workMode)
{
    ChannelInitConfig &config = g_state.initConfig;
    config.channelType = 1;
    config.workMode = workMode;
    config.workMode2 = workMode;
    const uint32_t handle = api().initCan(g_state.device, ch == 0 ? 0 : 1, &config);
    (ch == 0 ? g_state.channel1 : g_state.channel2) = handle;
    return handle != 0;
}

bool startCan(uint32_t ch)
{
    return api().startCan(channelHandle(ch)) == 1;
}

bool resetCan(uint32_t ch)
{
    if (api().resetCan(channelHandle(ch)) != 1)
        return false;
    (ch == 0 ? g_state.channel1 : g_state.channel2) = 0;
    return true;
}

uint32_t makeCanId(uint32_t id, bool extended, bool remote, bool error)
{
    return id | (extended ? CanExtendedFlag : 0u) | (remote ? CanRemoteFlag : 0u) |
           (error ? CanErrorFlag : 0u);
}

bool transmitCan(uint32_t ch, const CanTxRecord *records, uint32_t count)
{
    return api().transmit(channelHandle(ch), records, count) == 1;
}

bool transmitCanFd(uint32_t ch, const CanFdTxRecord *records, uint32_t count)
{
    return api().transmitFd(channelHandle(ch), records, count) == 1;
}

uint32_t receiveCan(uint32_t ch, CanRxRecord *records, uint32_t capacity, int32_t waitMs)
{
    return clampCount(api().receive(channelHandle(ch), records, capacity, waitMs), capacity);
}

uint32_t receiveCanFd(uint32_t ch, CanFdRxRecord *records, uint32_t capacity, int32_t waitMs)
{
    return clampCount(api().receiveFd(channelHandle(ch), records, capacity, waitMs), capacity);
}

BoardInfo readBoardInfo()
{
    BoardInfo info{};
    if (api().readBoardInfo(g_state.device, &info) != 1)
        std::memset(&info, 0, sizeof(info));
    return info;
}

uint16_t queryDeviceInfo()
{
    VendorApi &vendor = api();
    if (vendor.deviceStatus(g_state.device) != 2)
        return 0;
    BoardInfo info{};
    vendor.readBoardInfo(g_state.device, &info);
    // The field is NUL-padded: the text ends at the first NUL within the 20 bytes.
    const char *raw = info.serialNumber;
    QString serial = QString::fromLatin1(raw, int(qstrnlen(raw, sizeof(info.serialNumber))));
    serial.remove(QLatin1Char(' '));
    g_state.infoText = QStringLiteral("SN:") + serial + QStringLiteral(", DriverLib:") +
                       versionText(info.driverVersion) + QStringLiteral(", Firmware:") +
                       versionText(info.firmwareVersion);
    return info.firmwareVersion;
}

QString deviceInfoText()
{
    if (api().deviceStatus(g_state.device) != 2)
        return QString();
    return g_state.infoText;
}

QString versionText(uint16_t version)
{
    return QStringLiteral("V%1.%2%3")
        .arg((version >> 8) & 0xF, 0, 16)
        .arg((version >> 4) & 0xF, 0, 16)
        .arg(version & 0xF, 0, 16);
}

bool adapterHasFirmware()
{
    return dynamic_cast<SerialBusBackend *>(&api()) == nullptr;
}

bool enterUpdateMode(uint32_t deviceIndex)
{
    qDebug("isDeviceOpend:%d", isDeviceOpen() ? 1 : 0);
    if (!isDeviceOpen())
        openDevice(FerruleDeviceType, deviceIndex, 0);
    qDebug("isDeviceOpend:%d", isDeviceOpen() ? 1 : 0);
    if (!isDeviceOpen())
        return false;
    return api().switchToUpdateMode(g_state.device) == 1;
}

#pragma once

// The device layer: plain functions over the one process-wide DeviceState. It is the
// only code that calls the vendor interface. Every function turns the raw result into
// a success flag or a count and shows no message.
//
// Channel index: 0 = channel 1, non-zero = channel 2.

#include "device/receivelosses.h"
#include "device/vendorapi.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>

struct DeviceState
{
    QString infoText; // "SN:..., DriverLib:..., Firmware:..." of the last queryDeviceInfo
    ChannelInitConfig initConfig{};
    std::atomic<PropertyTable *> propertyTable{nullptr};
    std::atomic<uint32_t> channel2{0};
    std::atomic<uint32_t> channel1{0};
    std::atomic<uint32_t> device{0};
    // The rates each channel was last set to, bit/s (0 = not set since the device opened).
    std::atomic<uint32_t> arbitrationRate[2] = {{0}, {0}};
    std::atomic<uint32_t> dataRate[2] = {{0}, {0}};
};

// A channel's bit rates as last set (0 = not set): a custom bit-timing text counts with
// the first two rates it names (the only one for both phases when it names one).
struct ChannelBitRates
{
    uint32_t arbitration = 0;
    uint32_t data = 0;
};

// Backend behind the vendor interface. The device layer owns it; the default is
// chosen by createConfiguredBackend() (adapterconfig.h) on first use. Install or replace
// it only while no receive or send thread is running.
void setVendorBackend(std::shared_ptr<VendorApi> backend);
std::shared_ptr<VendorApi> vendorBackend();
// Why the configured backend could not start (the simulator stands in then); empty when
// it started or a backend was installed explicitly.
QString vendorBackendError();
// Why the last openDevice failed, as far as the backend can tell (empty when unknown):
// the QtSerialBus backend's last error, else why the configured backend did not start.
QString deviceOpenFailureReason();

const DeviceState &deviceState();

bool isDeviceOpen();
bool isChannelOpen(uint32_t ch);
bool openDevice(uint32_t deviceType, uint32_t deviceIndex, uint32_t reserved);
void closeDevice();
void resetDeviceState();

bool setCanFdStandard(uint32_t ch, uint32_t standard);
bool setBaudRate(uint32_t ch, uint32_t arbitrationBitRate, uint32_t dataBitRate);
bool setCustomBaudRate(uint32_t ch, const QString &value);
ChannelBitRates channelBitRates(uint32_t ch);
// What the backend lost before the receive threads read it (all -1 when it keeps no count).
ReceiveLosses receiveLosses(uint32_t ch);
bool clearFilter(uint32_t ch);
bool setFilter(uint32_t ch, uint32_t mode, const QString &start, const QString &end);
bool ackFilter(uint32_t ch);
bool initCan(uint32_t ch, uint8_t workMode);
bool startCan(uint32_t ch);
bool resetCan(uint32_t ch);

uint32_t makeCanId(uint32_t id, bool extended, bool remote, bool error);
bool transmitCan(uint32_t ch, const CanTxRecord *records, uint32_t count);
bool transmitCanFd(uint32_t ch, const CanFdTxRecord *records, uint32_t count);
// Returns the number of records stored, never more than capacity and never negative.
uint32_t receiveCan(uint32_t ch, CanRxRecord *records, uint32_t capacity, int32_t waitMs);
uint32_t receiveCanFd(uint32_t ch, CanFdRxRecord *records, uint32_t capacity, int32_t waitMs);

BoardInfo readBoardInfo();
uint16_t queryDeviceInfo();
QString deviceInfoText();
QString versionText(uint16_t version);
bool enterUpdateMode(uint32_t deviceIndex);
// Whether the adapter behind the interface runs a firmware of its own that can be
// upgraded. Interfaces reached through QtSerialBus have neither: their board information
// carries no firmware version and they are never offered an upgrade.
bool adapterHasFirmware();

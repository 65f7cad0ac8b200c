#pragma once

// The adapter vendor's library interface: one virtual operation per entry of its
// ordinal table (1-64), with the same arguments and 32-bit results. Only the device
// layer (devicelayer.h) calls it; backends (the simulated Ferrule-2X, QtSerialBus)
// implement it.

#include <cstdint>

#pragma pack(push, 1)

// Record handed to "initialise channel" (ordinal 5).
struct ChannelInitConfig
{
    uint32_t channelType; // always 1
    uint8_t zero1[15];
    uint8_t workMode; // offset 19: 0 normal, 1 listen-only
    uint8_t zero2[5];
    uint8_t workMode2; // offset 25: same value as workMode
    uint8_t zero3[6];
};
static_assert(sizeof(ChannelInitConfig) == 32, "ChannelInitConfig is 32 bytes");

// Device information record filled by ordinal 3.
struct BoardInfo
{
    uint16_t hardwareVersion;
    uint16_t firmwareVersion;
    uint16_t driverVersion;
    uint16_t interfaceVersion;
    uint16_t irqNumber;
    uint8_t channelCount;
    char serialNumber[20]; // NUL-padded
    char hardwareType[40]; // NUL-terminated
    uint8_t reserved[9];
};
static_assert(sizeof(BoardInfo) == 80, "BoardInfo is 80 bytes");

// Identifier word: bits 0-28 identifier, 29 error, 30 remote, 31 extended.
constexpr uint32_t CanIdMask = 0x1FFFFFFFu;
constexpr uint32_t CanErrorFlag = 1u << 29;
constexpr uint32_t CanRemoteFlag = 1u << 30;
constexpr uint32_t CanExtendedFlag = 1u << 31;

struct CanTxRecord
{
    uint32_t id;
    uint8_t length; // 0-8
    uint8_t reserved[3];
    uint8_t data[8];
    uint32_t
        transmitType; // 0 normal, 1 single-shot, 2 self-reception, 3 single-shot self-reception
};
static_assert(sizeof(CanTxRecord) == 20, "CanTxRecord is 20 bytes");

struct CanFdTxRecord
{
    uint32_t id;
    uint8_t length; // 0-64
    uint8_t flags;  // 1 = bit-rate switch
    uint8_t reserved[2];
    uint8_t data[64];
    uint32_t transmitType;
};
static_assert(sizeof(CanFdTxRecord) == 76, "CanFdTxRecord is 76 bytes");

struct CanRxRecord
{
    uint32_t id;
    uint8_t length;
    uint8_t reserved[3];
    uint8_t data[8];
    uint64_t timeStamp; // microseconds
};
static_assert(sizeof(CanRxRecord) == 24, "CanRxRecord is 24 bytes");

struct CanFdRxRecord
{
    uint32_t id;
    uint8_t length;
    uint8_t flags; // exactly 1 = bit-rate switch
    uint8_t reserved[2];
    uint8_t data[64];
    uint64_t timeStamp; // microseconds
};
static_assert(sizeof(CanFdRxRecord) == 80, "CanFdRxRecord is 80 bytes");

#pragma pack(pop)

// The property table handed out by ordinal 16. Its first entry sets one named
// property: path such as "1/filter_mode" (Latin-1), value (UTF-8); 1 = success.
class PropertyTable
{
public:
    virtual uint32_t setValue(const char *path, const char *value) = 0;

protected:
    ~PropertyTable() = default;
};

class VendorApi
{
public:
    virtual ~VendorApi() = default;

    virtual uint32_t openDevice(uint32_t deviceType, uint32_t deviceIndex,
                                uint32_t reserved) = 0;                   // 1
    virtual uint32_t closeDevice(uint32_t device) = 0;                    // 2
    virtual uint32_t readBoardInfo(uint32_t device, BoardInfo *info) = 0; // 3
    virtual uint32_t deviceStatus(uint32_t device) = 0;                   // 4
    virtual uint32_t initCan(uint32_t device, uint32_t channelIndex,
                             const ChannelInitConfig *config) = 0; // 5
    virtual uint32_t startCan(uint32_t channel) = 0;               // 6
    virtual uint32_t resetCan(uint32_t channel) = 0;               // 7
    virtual uint32_t transmit(uint32_t channel, const CanTxRecord *records,
                              uint32_t count) = 0; // 12
    virtual uint32_t receive(uint32_t channel, CanRxRecord *records, uint32_t capacity,
                             int32_t waitMs) = 0; // 13
    virtual uint32_t transmitFd(uint32_t channel, const CanFdTxRecord *records,
                                uint32_t count) = 0; // 14
    virtual uint32_t receiveFd(uint32_t channel, CanFdRxRecord *records, uint32_t capacity,
                               int32_t waitMs) = 0;               // 15
    virtual PropertyTable *getPropertyTable(uint32_t device) = 0; // 16
    virtual uint32_t switchToUpdateMode(uint32_t device) = 0;     // 32
    virtual uint32_t setArbitrationBaudRate(uint32_t device, uint32_t channelIndex,
                                            uint32_t bitRate) = 0; // 33
    virtual uint32_t setDataBaudRate(uint32_t device, uint32_t channelIndex,
                                     uint32_t bitRate) = 0; // 34
    virtual uint32_t setCanFdStandard(uint32_t device, uint32_t channelIndex,
                                      uint32_t standard) = 0; // 35
    virtual uint32_t recover() = 0;                           // 64
};

constexpr uint32_t FerruleDeviceType = 41;

#pragma once

// Layout constants of Vector BLF files shared by the reader and the writer.

#include <QtEndian>

#include <cstdint>
#include <cstring>

namespace blf {

constexpr int FileHeaderSize = 144;
constexpr int ObjectHeaderBaseSize = 16;
constexpr int ObjectHeaderV1Size = 16;
constexpr int ObjectHeaderV2Size = 24;
constexpr int ContainerHeaderSize = 16;

enum ObjectType : uint32_t {
    CanMessage = 1,
    CanError = 2,
    LogContainer = 10,
    CanErrorExt = 73,
    CanMessage2 = 86,
    CanFdMessage = 100,
    CanFdMessage64 = 101,
};

constexpr uint32_t TimeTenMicros = 1;
constexpr uint32_t TimeOneNanos = 2;
constexpr uint32_t ExtendedIdFlag = 0x80000000u;
constexpr uint8_t MessageTx = 0x01; // CAN_MESSAGE flags
constexpr uint8_t MessageRemote = 0x80;
constexpr uint8_t FdEdl = 0x01; // CAN_FD_MESSAGE fd flags
constexpr uint8_t FdBrs = 0x02;
constexpr uint8_t FdEsi = 0x04;
constexpr uint32_t Fd64Remote = 0x0010; // CAN_FD_MESSAGE_64 flags
constexpr uint32_t Fd64Edl = 0x1000;
constexpr uint32_t Fd64Brs = 0x2000;
constexpr uint32_t Fd64Esi = 0x4000;

inline uint16_t u16(const char *p)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar *>(p));
}
inline uint32_t u32(const char *p)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(p));
}
inline uint64_t u64(const char *p)
{
    return qFromLittleEndian<quint64>(reinterpret_cast<const uchar *>(p));
}
inline bool isSignature(const char *p)
{
    return std::memcmp(p, "LOBJ", 4) == 0;
}

} // namespace blf

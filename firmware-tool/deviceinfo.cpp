#include "deviceinfo.h"

#include "wexlib.h"

#include <QtEndian>

#include <cstring>

namespace {
constexpr int HardwareOffset = 0;
constexpr int FirmwareOffset = 2;
constexpr int DriverOffset = 4;
constexpr int InterfaceOffset = 6;
constexpr int InterruptOffset = 8;
constexpr int ChannelsOffset = 10;
constexpr int SerialOffset = 11;

quint16 word(const quint8 *record, int offset)
{
    return qFromLittleEndian<quint16>(record + offset);
}

void putWord(quint8 *record, int offset, quint16 value)
{
    qToLittleEndian<quint16>(value, record + offset);
}
} // namespace

DeviceInfo DeviceInfo::fromRecord(const quint8 *record)
{
    DeviceInfo info;
    info.hardwareVersion = word(record, HardwareOffset);
    info.firmwareVersion = word(record, FirmwareOffset);
    info.driverVersion = word(record, DriverOffset);
    info.interfaceVersion = word(record, InterfaceOffset);
    info.interruptNumber = word(record, InterruptOffset);
    info.canChannels = record[ChannelsOffset];
    const char *serial = reinterpret_cast<const char *>(record + SerialOffset);
    info.serialNumber = QByteArray(serial, int(qstrnlen(serial, SerialLength)));
    return info;
}

void DeviceInfo::toRecord(quint8 *record) const
{
    std::memset(record, 0, Wexlib::InfoRecordSize);
    putWord(record, HardwareOffset, hardwareVersion);
    putWord(record, FirmwareOffset, firmwareVersion);
    putWord(record, DriverOffset, driverVersion);
    putWord(record, InterfaceOffset, interfaceVersion);
    putWord(record, InterruptOffset, interruptNumber);
    record[ChannelsOffset] = canChannels;
    std::memcpy(record + SerialOffset, serialNumber.constData(),
                size_t(qMin(serialNumber.size(), SerialLength)));
}

QString DeviceInfo::text() const
{
    return QStringLiteral("硬件版本:%1\r\n固件版本:%2\r\n驱动版本:%3\r\n接口版本:%4\r\n"
                          "中断号    :%5\r\nCAN通道 :%6\r\n序列号  :%7")
        .arg(versionText(hardwareVersion), versionText(firmwareVersion), versionText(driverVersion),
             versionText(interfaceVersion))
        .arg(interruptNumber)
        .arg(canChannels)
        .arg(QString::fromLatin1(serialNumber.left(SerialLength)));
}

QString DeviceInfo::versionText(quint16 version)
{
    return QStringLiteral("%1.%2")
        .arg(version >> 8, 0, 16)
        .arg(version & 0xff, 2, 16, QLatin1Char('0'));
}

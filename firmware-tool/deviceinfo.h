#pragma once

// The adapter's information record (80 bytes, little-endian) and its display text.

#include <QByteArray>
#include <QString>

class DeviceInfo
{
public:
    static constexpr int SerialLength = 20;

    quint16 hardwareVersion = 0;
    quint16 firmwareVersion = 0;
    quint16 driverVersion = 0;
    quint16 interfaceVersion = 0;
    quint16 interruptNumber = 0;
    quint8 canChannels = 0;
    QByteArray serialNumber; // raw bytes, at most SerialLength are stored

    // Reads a record of Wexlib::InfoRecordSize bytes; the serial ends at its first 0 byte
    // or after SerialLength characters.
    static DeviceInfo fromRecord(const quint8 *record);
    // Writes the record as the adapter does (the serial is not 0-terminated when full).
    void toRecord(quint8 *record) const;

    // The seven lines shown by the information button, separated by "\r\n".
    QString text() const;

private:
    static QString versionText(quint16 version);
};

#pragma once

// The four adapter library operations the firmware tool relies on, by ordinal.
// A library backend (the simulated adapter, or a binding to the vendor's library on a
// machine that has it) implements this interface; the dialog only talks to it.

#include <QtGlobal>

using WexHandle = quintptr; // 0 = no device

class Wexlib
{
public:
    static constexpr quint32 DeviceType = 41;
    static constexpr int InfoRecordSize = 80;

    virtual ~Wexlib() = default;

    // Ordinal 1: returns the device handle, 0 on failure.
    virtual WexHandle openDevice(quint32 deviceType, quint32 deviceIndex, quint32 reserved) = 0;
    // Ordinal 2: 1 = closed, anything else = failure.
    virtual int closeDevice(WexHandle handle) = 0;
    // Ordinal 3: fills the InfoRecordSize-byte record; non-zero = success.
    virtual int readDeviceInfo(WexHandle handle, quint8 *record) = 0;
    // Ordinal 32: switches the adapter into firmware-replacement mode; 1 = success.
    virtual int startFirmwareUpgrade(WexHandle handle) = 0;
};

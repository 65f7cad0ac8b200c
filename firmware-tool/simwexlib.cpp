#include "simwexlib.h"

SimWexlib::SimWexlib() : m_info(defaultInfo()) {}

DeviceInfo SimWexlib::defaultInfo()
{
    DeviceInfo info;
    info.hardwareVersion = 0x0102;
    info.firmwareVersion = 0x0110;
    info.driverVersion = 0x0100;
    info.interfaceVersion = 0x0100;
    info.interruptNumber = 0;
    info.canChannels = 2;
    info.serialNumber = "SIM2X0000001";
    return info;
}

WexHandle SimWexlib::openDevice(quint32 deviceType, quint32 deviceIndex, quint32 reserved)
{
    Q_UNUSED(reserved)
    if (!m_present || deviceType != DeviceType || deviceIndex != 0)
        return 0;
    m_openHandle = m_nextHandle++;
    return m_openHandle;
}

int SimWexlib::closeDevice(WexHandle handle)
{
    ++m_closeCalls;
    if (!isOpen(handle) || !m_closeOk)
        return 0;
    m_openHandle = 0;
    return 1;
}

int SimWexlib::readDeviceInfo(WexHandle handle, quint8 *record)
{
    if (!isOpen(handle) || !m_infoOk)
        return 0;
    m_info.toRecord(record);
    return 1;
}

int SimWexlib::startFirmwareUpgrade(WexHandle handle)
{
    if (!isOpen(handle) || !m_upgradeOk)
        return 0;
    // The adapter leaves for its update mode; after the replacement it restarts and
    // can be opened again.
    m_openHandle = 0;
    return 1;
}

#pragma once

// A simulated adapter behind the library interface: present or absent, with an
// information record and an upgrade switch that succeeds or fails. The setters are the
// hooks tests use to fake the hardware.

#include "deviceinfo.h"
#include "wexlib.h"

class SimWexlib : public Wexlib
{
public:
    SimWexlib();

    WexHandle openDevice(quint32 deviceType, quint32 deviceIndex, quint32 reserved) override;
    int closeDevice(WexHandle handle) override;
    int readDeviceInfo(WexHandle handle, quint8 *record) override;
    int startFirmwareUpgrade(WexHandle handle) override;

    void setPresent(bool present) { m_present = present; }
    void setInfo(const DeviceInfo &info) { m_info = info; }
    void setUpgradeSucceeds(bool ok) { m_upgradeOk = ok; }
    void setCloseSucceeds(bool ok) { m_closeOk = ok; }
    void setInfoSucceeds(bool ok) { m_infoOk = ok; }

    WexHandle openHandle() const { return m_openHandle; }
    int closeCalls() const { return m_closeCalls; }

    static DeviceInfo defaultInfo();

private:
    bool isOpen(WexHandle handle) const { return handle != 0 && handle == m_openHandle; }

    DeviceInfo m_info;
    bool m_present = true;
    bool m_upgradeOk = true;
    bool m_closeOk = true;
    bool m_infoOk = true;
    WexHandle m_openHandle = 0;
    WexHandle m_nextHandle = 0x1000;
    int m_closeCalls = 0;
};

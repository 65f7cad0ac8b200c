#pragma once

// Chooses the backend behind the vendor interface from "config/adapter.ini" beside the
// executable (created with defaults on first run, never overwritten), overridden by the
// environment variable LARKSPUR_ADAPTER ("simulated" or "serialbus").
//
//   [Adapter]   Backend=simulated | serialbus
//   [Simulator] Traffic=0|1, TrafficMode=nodes|flood,
//               TrafficRate=<flood: frames/s per channel>, TrafficMix=mixed|classic|fd,
//               Devices=<indexes present>, Seed=<n>, FirmwareVersion=0x0211,
//               UpdateDelayMs=<ms until the update volume appears>,
//               Wires=1 (both channels on one wire) | 2 (a wire per channel)
//   [Nodes]     Message01=<a message line of simnodes.h>, ... (missing: the default list)
//   [SerialBus] Plugin=socketcan, Channel1=can0, Channel2=can1
//
// Further environment overrides: LARKSPUR_SIM_TRAFFIC (0/1), LARKSPUR_SIM_MODE
// (nodes/flood), LARKSPUR_SIM_RATE.

#include "device/serialbus/serialbusbackend.h"
#include "device/sim/simulatedadapter.h"
#include "device/vendorapi.h"

#include <QString>

#include <memory>

struct AdapterSettings
{
    QString backend; // "simulated" or "serialbus"
    SimulatorConfig simulator;
    SerialBusConfig serialBus;
};

// Returns null and sets *error (a reason for the log) when the backend cannot start.
std::shared_ptr<VendorApi> createConfiguredBackend(QString *error);

// The backend installed in the device layer when it is the simulator, else null.
std::shared_ptr<SimulatedAdapter> simulatedAdapter();

// appFilePath("/config/adapter.ini").
QString adapterConfigPath();
// Reads the adapter file (writing the defaults first when it is missing) and applies the
// environment overrides.
AdapterSettings loadAdapterSettings();
// Rewrites FirmwareVersion in the [Simulator] section of the file and nothing else.
bool storeSimulatorFirmwareVersion(const QString &iniPath, uint16_t version);

#pragma once

// Factory of the QtSerialBus backend of the vendor interface (real adapters through
// SocketCAN and the other QtSerialBus plugins).

#include "device/vendorapi.h"

#include <QString>

#include <memory>

struct SerialBusConfig
{
    QString plugin;        // "socketcan", "virtualcan", ...
    QString interfaces[2]; // channel index 0 and 1, e.g. "can0", "can1"
};

// Returns null and sets *error when the backend cannot be created.
std::shared_ptr<VendorApi> createSerialBusBackend(const SerialBusConfig &config, QString *error);

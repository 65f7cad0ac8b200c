#include "device/serialbus/serialbusbackend.h"

// Placeholder until the QtSerialBus backend is built.
std::shared_ptr<VendorApi> createSerialBusBackend(const SerialBusConfig &, QString *error)
{
    if (error)
        *error = QStringLiteral("QtSerialBus backend not available");
    return nullptr;
}

#pragma once

// The property table of the QtSerialBus backend: "<ch>/baud_rate_custom" and the
// acceptance filter edit "<ch>/filter_clear", "filter_mode", "filter_start",
// "filter_end", "filter_ack". A range is complete when its end is written; the ranges
// written since the last clear take effect at "filter_ack".

#include "device/serialbus/serialbusfilter.h"
#include "device/vendorapi.h"

#include <QString>

#include <mutex>

class SerialBusBackend;

class SerialBusProperties : public PropertyTable
{
public:
    explicit SerialBusProperties(SerialBusBackend *backend) : m_backend(backend) {}
    virtual ~SerialBusProperties() = default;

    uint32_t setValue(const char *path, const char *value) override;
    void reset();

private:
    struct FilterEdit
    {
        SerialBusFilter ranges;
        bool haveMode = false;
        bool extended = false;
        bool haveStart = false;
        uint32_t start = 0;
    };

    bool apply(int ch, const QString &name, const QString &value);
    bool setMode(FilterEdit &edit, const QString &value);
    bool addRange(FilterEdit &edit, const QString &endText);

    SerialBusBackend *const m_backend;
    std::mutex m_mutex;
    FilterEdit m_edits[2];
};

#pragma once

// Writes Vector BLF files as CANoe 14 and python-can read them: zlib-compressed
// LOG_CONTAINER objects of up to 128 KiB holding CAN_MESSAGE (classic), CAN_FD_MESSAGE_64
// (CAN FD) and CAN_ERROR_EXT objects with nanosecond time stamps; the file header (sizes,
// object count, start and end of the measurement) is written last.

#include "record/logwriter.h"

class BlfWriter : public LogWriter
{
public:
    static constexpr int ContainerSize = 128 * 1024;

    const char *formatName() const override { return "BLF"; }

protected:
    void begin() override;
    void append(const LogFrame &frame) override;
    bool finish() override;

private:
    void addObject(uint32_t type, const LogFrame &frame, const char *body, int bodySize);
    void packContainer();
    QByteArray fileHeader(qint64 fileSize) const;

    QByteArray container; // objects of the container being filled
    int64_t startUs = 0;  // time stamps count from here
    int64_t lastUs = 0;
    bool started = false;
    quint64 inflatedSize = 0;
    quint32 objectCount = 0;
};

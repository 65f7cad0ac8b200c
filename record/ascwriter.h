#pragma once

// Writes Vector ASC logs (hexadecimal, absolute time stamps) as CANoe 14 and python-can
// read them: classic lines, "CANFD" lines with their trailing fields, "ErrorFrame" lines.
// The measurement starts with the first frame; frames without a date are dated now.

#include "record/logwriter.h"

class AscWriter : public LogWriter
{
public:
    const char *formatName() const override { return "ASC"; }

    // "Mon Dec 07 06:30:00.123 pm 2026" of a local time.
    static QByteArray dateText(int64_t timeUs);

protected:
    void append(const LogFrame &frame) override;
    bool finish() override;

private:
    void writeHeader(int64_t firstUs);
    void appendClassic(const LogFrame &frame);
    void appendFd(const LogFrame &frame);

    bool headerWritten = false;
    int64_t startUs = 0; // what the line times count from
};

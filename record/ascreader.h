#pragma once

// Vector ASC logs as CANoe/CANalyzer and python-can write them: the header ("date ...",
// "base hex|dec  timestamps absolute|relative", "[no] internal events logged",
// "Begin Triggerblock ..."), classic frame lines ("0.001 1  123x  Rx   d 8 11 22 ..."),
// remote frames ("r"), "CANFD" lines with their trailing fields and "ErrorFrame" lines.
// Comments and events that are no frames are skipped and counted; "Start of measurement"
// and similar status lines are passed over.

#include "record/loglinesource.h"
#include "record/logreader.h"
#include "record/logtext.h"

class AscReader : public LogReader
{
public:
    bool next(LogFrame &frame) override;
    // The line offset (48 bits) with the number base and time-stamp mode in force at that
    // line (a "base" line may change them in the middle of a file); with relative time
    // stamps a frame read after seek() counts from the frame before it only when that one
    // was read too.
    uint64_t position() const override;
    bool seek(uint64_t position) override;
    const char *formatName() const override { return "ASC"; }
    qint64 bytesRead() const override { return lines.bytesConsumed(); }

    // "Mon Dec 7 06:30:00.123 pm 2026" (weekday optional, German month names accepted)
    // as local time in microseconds since 1970; false if it is no date.
    static bool parseDate(const char *text, int size, int64_t &timeUs);

protected:
    bool start() override;

private:
    enum class Line { Frame, Header, Skipped, Ignored, Damaged };
    Line parseLine(const char *text, int size, LogFrame &frame);
    Line parseHeader(const char *text, int size);
    Line parseClassic(logtext::Cursor &line, LogFrame &frame);
    Line parseFd(logtext::Cursor &line, LogFrame &frame);
    bool readData(logtext::Cursor &line, int count, LogFrame &frame);

    LogLineSource lines;
    qint64 lineOffset = 0;
    int64_t startUs = 0;
    int64_t previousUs = 0; // relative time stamps count from the frame before
    bool hex = true;
    bool relativeStamps = false;
};

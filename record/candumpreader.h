#pragma once

// can-utils log files (candump -L): "(1700000000.000100) can0 123#1122334455667788",
// "##<flags>" for CAN FD (1 bit-rate switch, 2 error-state indicator), "R[<dlc>]" for
// remote frames, error frames by CAN_ERR_FLAG in the identifier, an optional " T"/" R"
// for the direction. Interfaces ending in a number map to that channel (can0 -> 1),
// others to the order in which they first appear.

#include "record/loglinesource.h"
#include "record/logreader.h"

#include <QByteArray>
#include <QVector>

class CandumpReader : public LogReader
{
public:
    bool next(LogFrame &frame) override;
    uint64_t position() const override { return uint64_t(lineOffset); }
    bool seek(uint64_t position) override;
    const char *formatName() const override { return "candump"; }
    qint64 bytesRead() const override { return lines.bytesConsumed(); }

    // Parses one line; false when it is no frame line.
    bool parseLine(const char *text, int size, LogFrame &frame);

protected:
    bool start() override;

private:
    int channelOf(const char *name, int size);

    LogLineSource lines;
    qint64 lineOffset = 0;
    QVector<QByteArray> otherInterfaces;
};

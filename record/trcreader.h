#pragma once

// PEAK TRC files of versions 1.0 to 1.3, 2.0 and 2.1: the ";$FILEVERSION", ";$STARTTIME"
// (days since 1899-12-30, local time) and ";$COLUMNS" header lines, then one frame a line
// in the version's columns. Data (DT, Rx/Tx), CAN FD (FD, FB, FE, BI), remote (RR, RTR)
// and error (ER, Error) lines become frames; status and other lines are skipped and
// counted.

#include "record/loglinesource.h"
#include "record/logreader.h"

#include <QByteArray>

class TrcReader : public LogReader
{
public:
    bool next(LogFrame &frame) override;
    uint64_t position() const override { return uint64_t(lineOffset); }
    bool seek(uint64_t position) override;
    const char *formatName() const override { return "TRC"; }
    qint64 bytesRead() const override { return lines.bytesConsumed(); }

    int version() const { return versionNumber; } // 10 for 1.0 ... 21 for 2.1

protected:
    bool start() override;

private:
    enum class Line { Frame, Skipped, Damaged };
    Line parseLine(const char *text, int size, LogFrame &frame);
    void readHeaderLine(const char *text, int size);

    LogLineSource lines;
    qint64 lineOffset = 0;
    int versionNumber = 10;
    QByteArray columns; // one letter per column, e.g. "NOTBIdRLD"
    int64_t startUs = 0;
};

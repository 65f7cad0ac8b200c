#pragma once

// Writes PEAK TRC files of version 2.1 (columns N,O,T,B,I,d,R,L,D): DT, FD, FB, FE, BI,
// RR and ER lines, times in milliseconds with three decimals from the start time.

#include "record/logwriter.h"

class TrcWriter : public LogWriter
{
public:
    const char *formatName() const override { return "TRC"; }

protected:
    void append(const LogFrame &frame) override;
    bool finish() override;

private:
    void writeHeader(int64_t firstUs);

    bool headerWritten = false;
    int64_t startUs = 0;
    quint64 number = 0;
};

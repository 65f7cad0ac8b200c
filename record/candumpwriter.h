#pragma once

// Writes can-utils log files (candump -L), one frame a line, read by log2asc, canplayer
// and python-can. Channels are written as can0, can1, ... unless named otherwise;
// transmitted frames carry a trailing " T". Error frames are written with CAN_ERR_FLAG
// and their error class (bus error when the source has none).

#include "record/logwriter.h"

#include <QByteArray>
#include <QVector>

class CandumpWriter : public LogWriter
{
public:
    const char *formatName() const override { return "candump"; }
    // Interface names by channel, e.g. {"vcan0", "vcan1"}.
    void setInterfaceNames(const QVector<QByteArray> &names) { interfaces = names; }

    static void appendLine(QByteArray &out, const LogFrame &frame, const QByteArray &interface);

protected:
    void append(const LogFrame &frame) override;

private:
    QVector<QByteArray> interfaces;
};

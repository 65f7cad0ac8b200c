#pragma once

// Writes frames as the program's own CSV frame file, row for row as a recording would
// hold them (so file send replays it): the column labels of the current language, one
// row per frame with its sequence number, its time of day (local time for absolute
// times), the time since the first frame as the time stamp of received frames, and the
// frame texts of the current language. Error frames have no row in this format and are
// left out.

#include "record/logwriter.h"

#include <QString>

struct ModelItem;

class CsvLogWriter : public LogWriter
{
public:
    const char *formatName() const override { return "CSV"; }

    static ModelItem rowOf(const LogFrame &frame, int64_t sinceFirstUs);

protected:
    void begin() override;
    bool carries(const LogFrame &frame) const override { return !frame.error; }
    void append(const LogFrame &frame) override;
    bool finish() override;

private:
    QString timeOfDay(int64_t timeUs);
    void moveText();

    QString text; // rows as text, turned into UTF-8 in large pieces
    bool first = true;
    int64_t firstUs = 0;
    int64_t dayStartMs = 0; // local midnight of the current frame's day (absolute times)
    int64_t dayEndMs = 0;
    quint64 number = 0;
};

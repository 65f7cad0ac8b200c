#pragma once

// The program's own CSV frame files (the recordings that file send replays) as a log:
// every frame line read with the replay's row reader. The rows carry a time of day
// without a date, so frame times are taken on an assumed date: the one set before
// open(), else the day the file was last written to (the day before when its first row
// is later in the day than that, as for a recording begun before midnight). A step back
// of more than half a day between rows moves on to the next day, as replay does.

#include "record/loglinesource.h"
#include "record/logreader.h"

#include <QDate>

class CsvLogReader : public LogReader
{
public:
    // The date of the first row; an invalid date lets the reader choose (see above).
    void setAssumedDate(const QDate &date) { presetDate = date; }

    bool next(LogFrame &frame) override;
    // The line's offset with the days passed since the first row in the top 16 bits.
    uint64_t position() const override;
    bool seek(uint64_t position) override;
    const char *formatName() const override { return "CSV"; }
    qint64 bytesRead() const override { return lines.bytesConsumed(); }

    // One frame line (header and blank lines excluded); false when it is no frame.
    static bool parseRow(const char *text, int size, LogFrame &frame, int &timeOfDayMs);

protected:
    bool start() override;

private:
    enum class Row { Frame, Blank, Damaged };
    Row readRow(LogFrame &frame);
    QDate chooseDate();
    void skipHeader();

    LogLineSource lines;
    QDate presetDate;
    int64_t dayStartMs = 0; // the assumed date's midnight, local time, since 1970
    int64_t lastRowMs = -1; // time of day of the last row with the days passed, -1 none
    qint64 lineOffset = 0;
    uint16_t days = 0; // of the row last returned
};

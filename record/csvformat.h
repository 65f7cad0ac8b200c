#pragma once

// CSV frame files: the one row writer (recording) and the one row reader (replay).
// Files are UTF-8 without a byte-order mark; a leading byte-order mark is accepted when
// reading.
//
// Header line: the eleven column labels joined with ",".
// Frame line:  %1,="%2",%3,%4,%5,%6,%7,%8,%9,%10,%11

#include "receive/modelitem.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <cstdint>

// The eleven column labels of the frame table in a language (0, 1, 2; others read as 2).
QStringList frameColumnLabels(uint32_t language);
QString csvHeaderLine(const QStringList &labels);       // ends with "\n"
void appendCsvRow(QString &out, const ModelItem &item); // appends one line ending with "\n"

// Splits a frame line at every "," keeping empty fields (a trailing line end is dropped).
// A blank line gives an empty list.
QStringList splitCsvRow(const QString &line);

// What replay reads from one row. Missing or unparsable fields read as empty / 0.
struct CsvFrame
{
    int64_t timeOfDayMs = 0; // field 2, 0 when it does not parse
    bool timeValid = false;
    bool canFd = false;       // field 10 contains "CANFD"
    uint8_t fdFlags = 0;      // 1 when field 10 also contains "-"
    uint32_t id = 0;          // field 6, at most 29 bits
    bool extended = true;     // unless field 7 is a standard-frame text
    bool remote = true;       // unless field 8 is a data-frame or error-frame text
    bool errorFrame = false;  // field 8 is an error-frame text (the id holds its classes)
    uint8_t length = 0;       // field 9, 8-bit
    uint8_t data[64] = {};    // field 11, up to length and the record's capacity
    int32_t channelField = 0; // field 4 as a decimal number
};
CsvFrame parseCsvFrame(const QStringList &fields);

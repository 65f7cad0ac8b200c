#pragma once

// The stored acceptance filter list of a channel ("FilterID").

#include <QString>
#include <QVector>

#include <cstdint>

// One entry of a "FilterID" list: mode (0 standard, 1 extended) and the range as
// hexadecimal digits without prefix.
struct FilterRange
{
    uint32_t mode = 0;
    QString start;
    QString end;
};

// Parses a whole "FilterID" list ("mode-start-end" entries joined by "|"). Returns false
// and leaves ranges untouched when any entry does not have exactly three fields, a mode
// of 0 or 1 and identifiers of 1-8 hexadecimal digits.
bool parseFilterList(const QString &text, QVector<FilterRange> *ranges);

#pragma once

// Which frames a log viewer shows: one channel or all, and identifiers given as a list of
// hexadecimal values and ranges ("100-1FF, 7DF, 18DAF110"); an empty list passes all.

#include "record/logframe.h"
#include "record/logindex.h"

#include <QString>
#include <QVector>

class LogFrameFilter
{
public:
    // False (filter unchanged) when the text is not such a list.
    bool setIdentifiers(const QString &text);
    void setChannel(int channel) { wanted = channel; } // -1: every channel
    int channel() const { return wanted; }
    bool passesAll() const { return wanted < 0 && ranges.isEmpty(); }

    bool matches(const LogIndexEntry &entry) const { return matches(entry.channel, entry.id); }
    bool matches(const LogFrame &frame) const { return matches(frame.channel, frame.id); }

private:
    bool matches(int channel, uint32_t id) const
    {
        if (wanted >= 0 && channel != wanted)
            return false;
        if (ranges.isEmpty())
            return true;
        for (const Range &range : ranges) {
            if (id >= range.first && id <= range.last)
                return true;
        }
        return false;
    }

    struct Range
    {
        uint32_t first, last;
    };
    QVector<Range> ranges;
    int wanted = -1;
};

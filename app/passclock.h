#pragma once

// Time-of-day texts ("hh:mm:ss.zzz") for the records of one refresh pass. Reading the
// local time of day is costly (the C library checks the time zone file on every call),
// so it is read once when the pass starts and carried on by a steady clock; the text is
// formatted again only when the millisecond changes, and records of the same
// millisecond share one string.

#include <QElapsedTimer>
#include <QString>
#include <QTime>

class PassClock
{
public:
    PassClock();

    // The current time of day as "hh:mm:ss.zzz".
    const QString &now();

private:
    QTime start;
    QElapsedTimer elapsed;
    qint64 formattedMs = -1;
    QString text;
};

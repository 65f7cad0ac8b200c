#include "app/passclock.h"

PassClock::PassClock() : start(QTime::currentTime())
{
    elapsed.start();
}

const QString &PassClock::now()
{
    const qint64 ms = elapsed.elapsed();
    if (ms != formattedMs) {
        formattedMs = ms;
        text = start.addMSecs(int(ms % 86400000)).toString(QStringLiteral("hh:mm:ss.zzz"));
    }
    return text;
}

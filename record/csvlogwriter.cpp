#include "record/csvlogwriter.h"

#include "receive/frameformat.h"
#include "receive/modelitem.h"
#include "record/csvformat.h"
#include "settings/settingsstore.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

namespace {

constexpr int64_t DayMs = 24LL * 3600 * 1000;
constexpr int TextChunk = 256 * 1024;

uint32_t identifierWord(const LogFrame &frame)
{
    return (frame.id & CanIdMask) | (frame.extended ? CanExtendedFlag : 0u) |
           (frame.remote ? CanRemoteFlag : 0u) | (frame.error ? CanErrorFlag : 0u);
}

QString padded(int64_t value, int digits)
{
    return QString::number(value).rightJustified(digits, QLatin1Char('0'));
}

} // namespace

ModelItem CsvLogWriter::rowOf(const LogFrame &frame, int64_t sinceFirstUs)
{
    const uint32_t word = identifierWord(frame);
    const uint64_t stamp = uint64_t(std::max<int64_t>(0, sinceFirstUs));
    if (frame.fd) {
        CanFdRxRecord record{};
        record.id = word;
        record.length = frame.length;
        record.flags = frame.brs ? 1 : 0;
        std::memcpy(record.data, frame.data, sizeof record.data);
        record.timeStamp = stamp;
        if (!frame.tx)
            return formatRxFdFrame(frame.channel, record, true);
        CanFdTxRecord sent{};
        sent.id = word;
        sent.length = frame.length;
        sent.flags = record.flags;
        std::memcpy(sent.data, frame.data, sizeof sent.data);
        return formatTxFdFrame(frame.channel, sent);
    }
    if (!frame.tx) {
        CanRxRecord record{};
        record.id = word;
        record.length = frame.length;
        std::memcpy(record.data, frame.data, sizeof record.data);
        record.timeStamp = stamp;
        return formatRxFrame(frame.channel, record, true);
    }
    CanTxRecord sent{};
    sent.id = word;
    sent.length = frame.length;
    std::memcpy(sent.data, frame.data, sizeof sent.data);
    return formatTxFrame(frame.channel, sent);
}

void CsvLogWriter::begin()
{
    first = true;
    number = 0;
    dayStartMs = dayEndMs = 0;
    text = csvHeaderLine(frameColumnLabels(languageIndex()));
}

// "hh:mm:ss.zzz": local time for absolute times, else the time since the log's start.
QString CsvLogWriter::timeOfDay(int64_t timeUs)
{
    const int64_t ms = timeUs / 1000;
    int64_t inDay;
    if (absolute) {
        if (ms < dayStartMs || ms >= dayEndMs) {
            const QDate date = QDateTime::fromMSecsSinceEpoch(ms, Qt::LocalTime).date();
            dayStartMs = QDateTime(date, QTime(0, 0), Qt::LocalTime).toMSecsSinceEpoch();
            dayEndMs = QDateTime(date.addDays(1), QTime(0, 0), Qt::LocalTime).toMSecsSinceEpoch();
        }
        inDay = ms - dayStartMs;
    } else {
        inDay = ((ms % DayMs) + DayMs) % DayMs;
    }
    return padded(inDay / 3600000, 2) + QLatin1Char(':') + padded(inDay / 60000 % 60, 2) +
           QLatin1Char(':') + padded(inDay / 1000 % 60, 2) + QLatin1Char('.') +
           padded(inDay % 1000, 3);
}

void CsvLogWriter::append(const LogFrame &frame)
{
    if (first) {
        first = false;
        firstUs = frame.timeUs;
    }
    ModelItem item = rowOf(frame, frame.timeUs - firstUs);
    item.index = QString::number(++number);
    item.systemTime = timeOfDay(frame.timeUs);
    appendCsvRow(text, item);
    if (text.size() >= TextChunk)
        moveText();
}

void CsvLogWriter::moveText()
{
    out.append(text.toUtf8());
    text.resize(0);
}

bool CsvLogWriter::finish()
{
    moveText();
    text = QString();
    return true;
}

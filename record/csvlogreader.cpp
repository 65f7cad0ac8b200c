#include "record/csvlogreader.h"

#include "record/csvformat.h"
#include "record/csvframereader.h"

#include <QDateTime>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int64_t DayMs = 24LL * 3600 * 1000;
constexpr int DayShift = 48;
constexpr uint64_t OffsetMask = (uint64_t(1) << DayShift) - 1;

bool isBlank(const char *text, int size)
{
    return std::all_of(text, text + size, [](char c) { return c == ' ' || c == '\t'; });
}

} // namespace

bool CsvLogReader::start()
{
    absolute = true;
    lines.attach(&file);
    dateAssumed = presetDate.isValid() ? presetDate : chooseDate();
    dayStartMs = QDateTime(dateAssumed, QTime(0, 0), Qt::LocalTime).toMSecsSinceEpoch();
    if (!lines.seek(0))
        return fail(file.errorString());
    skipHeader();
    lastRowMs = -1;
    days = 0;
    return true;
}

void CsvLogReader::skipHeader()
{
    const char *text;
    int size;
    qint64 offset;
    bool overlong;
    lines.nextLine(text, size, offset, overlong);
}

// The modification day, or the day before when the first row's time of day lies after
// the modification time (the recording then began before midnight).
QDate CsvLogReader::chooseDate()
{
    const QDateTime modified = QFileInfo(file).lastModified();
    QDate date = modified.isValid() ? modified.date() : QDate::currentDate();
    skipHeader();
    LogFrame frame;
    int timeOfDay = 0;
    const char *text;
    int size;
    qint64 offset;
    bool overlong;
    for (int tries = 0; tries < 100 && lines.nextLine(text, size, offset, overlong); ++tries) {
        if (!overlong && parseRow(text, size, frame, timeOfDay)) {
            if (modified.isValid() && timeOfDay > modified.time().msecsSinceStartOfDay())
                date = date.addDays(-1);
            break;
        }
    }
    return date;
}

bool CsvLogReader::next(LogFrame &frame)
{
    for (;;) {
        const char *text;
        int size;
        bool overlong;
        if (!lines.nextLine(text, size, lineOffset, overlong))
            break;
        if (overlong) {
            ++damaged;
            continue;
        }
        if (isBlank(text, size))
            continue;
        int timeOfDay = 0;
        if (!parseRow(text, size, frame, timeOfDay)) {
            ++damaged;
            continue;
        }
        int64_t rowMs = int64_t(days) * DayMs + timeOfDay;
        if (lastRowMs > rowMs && lastRowMs - rowMs > DayMs / 2 && days < 0xFFFF) {
            const int64_t passed = (lastRowMs - rowMs + DayMs / 2) / DayMs;
            days = uint16_t(std::min<int64_t>(0xFFFF, days + passed));
            rowMs = int64_t(days) * DayMs + timeOfDay;
        }
        lastRowMs = rowMs;
        frame.timeUs = (dayStartMs + rowMs) * 1000;
        return true;
    }
    if (lines.failed())
        fail(file.errorString());
    return false;
}

bool CsvLogReader::parseRow(const char *text, int size, LogFrame &frame, int &timeOfDayMs)
{
    QString line;
    if (!CsvFrameReader::decodeLine(QByteArray::fromRawData(text, size), line))
        return false;
    const QStringList fields = splitCsvRow(line);
    if (fields.size() < 11)
        return false;
    const CsvFrame row = parseCsvFrame(fields);
    if (!row.timeValid || row.channelField < 1 || row.channelField > 256)
        return false;
    const int capacity = maxFrameLength(row.canFd);
    if (row.length > capacity || (row.canFd && !isCanFdLength(row.length)))
        return false;
    frame = LogFrame();
    frame.channel = uint8_t(row.channelField - 1);
    frame.tx = fields.at(4) == QLatin1String("Tx");
    frame.extended = row.extended;
    frame.remote = row.remote;
    frame.error = row.errorFrame;
    frame.fd = row.canFd;
    frame.brs = row.fdFlags != 0;
    frame.length = row.length;
    if (!row.extended && row.id > 0x7FFu)
        return false;
    frame.id = row.id;
    if (!frame.remote)
        std::copy_n(row.data, frame.length, frame.data);
    timeOfDayMs = int(row.timeOfDayMs);
    return true;
}

uint64_t CsvLogReader::position() const
{
    return (uint64_t(days) << DayShift) | (uint64_t(lineOffset) & OffsetMask);
}

bool CsvLogReader::seek(uint64_t position)
{
    if (!lines.seek(qint64(position & OffsetMask)))
        return false;
    days = uint16_t(position >> DayShift);
    lastRowMs = -1;
    return true;
}

#include "record/trcreader.h"

#include "record/logtext.h"

#include <QDateTime>

#include <algorithm>

using logtext::Cursor;

namespace {

QByteArray defaultColumns(int version)
{
    switch (version) {
    case 10:
        return "NOILD";
    case 11:
        return "NOTILD";
    case 12:
        return "NOBTILD";
    case 13:
        return "NOBTIRLD";
    case 20:
        return "NOTIdlD";
    default:
        return "NOTBIdRLD";
    }
}

// A day count since 1899-12-30 with its fraction, in local time, as microseconds since 1970.
bool parseStartTime(const QByteArray &text, int64_t &timeUs)
{
    int64_t value; // in 10^-10 days
    if (!logtext::parseFixed(text.constData(), text.size(), 10, value) || value < 0)
        return false;
    const int64_t days = value / 10000000000LL;
    const int64_t dayUs = (value % 10000000000LL) * 864 / 100; // fraction * 86400e6
    const QDate date = QDate(1899, 12, 30).addDays(days);
    if (!date.isValid() || date.year() < 1980 || date.year() > 9999)
        return false;
    const QDateTime midnight(date, QTime(0, 0), Qt::LocalTime);
    // Ten decimals of a day resolve about 9 us; start times are whole milliseconds.
    timeUs = (midnight.toMSecsSinceEpoch() * 1000 + dayUs + 500) / 1000 * 1000;
    return true;
}

} // namespace

bool TrcReader::start()
{
    lines.attach(&file);
    versionNumber = 10;
    columns.clear();
    absolute = false;
    startUs = 0;
    const char *text;
    int size;
    bool overlong;
    qint64 offset = 0;
    while (lines.nextLine(text, size, offset, overlong)) {
        if (overlong)
            break;
        Cursor line{text, text + size};
        line.skipSpaces();
        if (line.atEnd())
            continue;
        if (*line.p != ';')
            break;
        readHeaderLine(line.p, int(line.end - line.p));
    }
    if (columns.isEmpty())
        columns = defaultColumns(versionNumber);
    lineOffset = offset;
    if (lines.failed())
        return fail(file.errorString());
    return lines.seek(offset) || fail(file.errorString());
}

void TrcReader::readHeaderLine(const char *text, int size)
{
    const QByteArray line = QByteArray(text, size).trimmed();
    const int equals = line.indexOf('=');
    if (!line.startsWith(";$") || equals < 0)
        return;
    const QByteArray key = line.mid(2, equals - 2).trimmed().toUpper();
    const QByteArray value = line.mid(equals + 1).trimmed();
    if (key == "FILEVERSION") {
        const QList<QByteArray> parts = value.split('.');
        if (parts.size() == 2) {
            const int number = parts[0].toInt() * 10 + parts[1].toInt();
            if (number >= 10 && number <= 21)
                versionNumber = number;
        }
    } else if (key == "STARTTIME") {
        absolute = parseStartTime(value, startUs);
    } else if (key == "COLUMNS") {
        QByteArray letters;
        for (const QByteArray &column : value.split(','))
            if (column.trimmed().size() == 1)
                letters.append(column.trimmed().at(0));
        if (letters.contains('D') && letters.indexOf('D') == letters.size() - 1 &&
            letters.contains('O') && letters.size() <= 16)
            columns = letters;
    }
}

bool TrcReader::seek(uint64_t position)
{
    return lines.seek(qint64(position));
}

bool TrcReader::next(LogFrame &frame)
{
    const char *text;
    int size;
    while (lines.nextTextLine(text, size, lineOffset, damaged)) {
        if (*text == ';') {
            ++skipped;
            continue;
        }
        switch (parseLine(text, size, frame)) {
        case Line::Frame:
            return true;
        case Line::Skipped:
            ++skipped;
            break;
        case Line::Damaged:
            ++damaged;
            break;
        }
    }
    if (lines.failed())
        fail(file.errorString());
    return false;
}

TrcReader::Line TrcReader::parseLine(const char *text, int size, LogFrame &frame)
{
    frame = LogFrame();
    Cursor line{text, text + size};
    const bool typed2 = versionNumber >= 20;
    bool haveTime = false, haveId = false;
    int dlc = -1, length = -1;
    for (const char column : columns) {
        const char *t;
        int n;
        if (column == 'D')
            break;
        if (!line.token(t, n))
            return Line::Damaged;
        switch (column) {
        case 'O': {
            int64_t us;
            if (!logtext::parseFixed(t, n, 3, us))
                return Line::Damaged;
            frame.timeUs = startUs + us;
            haveTime = true;
            break;
        }
        case 'T':
            if (typed2) {
                if (n != 2)
                    return Line::Skipped;
                const char a = t[0], b = t[1];
                if (a == 'D' && b == 'T') {
                } else if (a == 'F' && (b == 'D' || b == 'B' || b == 'E')) {
                    frame.fd = true;
                    frame.brs = b == 'B';
                    frame.esi = b == 'E';
                } else if (a == 'B' && b == 'I') {
                    frame.fd = frame.brs = frame.esi = true;
                } else if (a == 'R' && b == 'R') {
                    frame.remote = true;
                } else if (a == 'E' && b == 'R') {
                    frame.error = true;
                } else {
                    return Line::Skipped; // status, error counters, events
                }
            } else if (logtext::equals(t, n, "Tx")) {
                frame.tx = true;
            } else if (logtext::equals(t, n, "Error")) {
                frame.error = true;
            } else if (!logtext::equals(t, n, "Rx")) {
                return Line::Skipped; // "Warng" and the like
            }
            break;
        case 'B': {
            uint32_t bus;
            if (logtext::parseDec(t, n, bus)) {
                if (bus < 1 || bus > 256)
                    return Line::Damaged;
                frame.channel = uint8_t(bus - 1);
            } else if (!logtext::equals(t, n, "-")) {
                return Line::Damaged;
            }
            break;
        }
        case 'I': {
            uint32_t id;
            if (frame.error && logtext::equals(t, n, "-"))
                break;
            if (!logtext::parseHex(t, n, id) || id > 0x1FFFFFFFu)
                return Line::Damaged;
            frame.id = id;
            frame.extended = n > 4 || id > 0x7FF;
            haveId = true;
            break;
        }
        case 'd':
            if (logtext::equals(t, n, "Tx"))
                frame.tx = true;
            else if (!logtext::equals(t, n, "Rx"))
                return Line::Damaged;
            break;
        case 'L':
        case 'l': {
            uint32_t value;
            if (!logtext::parseDec(t, n, value) || value > 64)
                return Line::Damaged;
            (column == 'L' ? dlc : length) = int(value);
            break;
        }
        default: // N, R and columns not known here
            break;
        }
    }
    if (!haveTime || (!haveId && !frame.error))
        return Line::Damaged;
    if (length < 0) {
        if (dlc < 0)
            return Line::Damaged;
        length = typed2 && frame.fd ? (dlc <= 15 ? canFdLengthFromDlc(dlc) : -1) : std::min(dlc, 8);
    }
    if (length < 0 || length > maxFrameLength(frame.fd))
        return Line::Damaged;
    frame.length = uint8_t(length);
    const char *t;
    int n;
    Cursor data = line;
    if (data.token(t, n) && logtext::equals(t, n, "RTR")) {
        frame.remote = true;
        frame.length = uint8_t(std::min(length, 8));
        return Line::Frame;
    }
    if (frame.remote)
        return Line::Frame;
    for (int i = 0; i < length; ++i) {
        if (line.hexByte(frame.data[i]))
            continue; // the usual two digits
        uint32_t value;
        if (!line.token(t, n) || !logtext::parseHex(t, n, value) || value > 255) {
            if (frame.error) { // error lines carry what they carry
                frame.length = uint8_t(i);
                return Line::Frame;
            }
            return Line::Damaged;
        }
        frame.data[i] = uint8_t(value);
    }
    if (frame.fd && !isCanFdLength(frame.length))
        return Line::Damaged;
    return Line::Frame;
}

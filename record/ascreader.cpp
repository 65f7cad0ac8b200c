#include "record/ascreader.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>

using logtext::Cursor;

namespace {

int monthNumber(const char *text, int size)
{
    static const char *const names[][12] = {
        {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
        {"Jan", "Feb", "M\xc3\xa4r", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov",
         "Dez"}};
    for (const auto &language : names)
        for (int month = 0; month < 12; ++month)
            if (logtext::equalsNoCase(text, size, language[month]))
                return month + 1;
    return 0;
}

bool isWord(const char *text, int size, const char *word)
{
    return logtext::equalsNoCase(text, size, word);
}

bool startsWithNoCase(const char *text, int size, const char *prefix)
{
    const int length = int(std::strlen(prefix));
    return size >= length && logtext::equalsNoCase(text, length, prefix);
}

} // namespace

bool AscReader::parseDate(const char *text, int size, int64_t &timeUs)
{
    Cursor line{text, text + size};
    const char *t;
    int n;
    if (!line.token(t, n))
        return false;
    int month = monthNumber(t, n);
    if (month == 0) { // a weekday first
        if (!line.token(t, n))
            return false;
        month = monthNumber(t, n);
    }
    uint32_t day, year;
    if (month == 0 || !line.token(t, n) || !logtext::parseDec(t, n, day))
        return false;
    const char *clock;
    int clockSize;
    if (!line.token(clock, clockSize))
        return false;
    if (!line.token(t, n))
        return false;
    int hourShift = -1; // none: a 24-hour clock
    if (isWord(t, n, "am") || isWord(t, n, "pm")) {
        hourShift = isWord(t, n, "pm") ? 12 : 0;
        if (!line.token(t, n))
            return false;
    }
    if (!logtext::parseDec(t, n, year))
        return false;
    // hh:mm:ss[.fraction]
    uint32_t hour, minute;
    const char *colon1 = static_cast<const char *>(std::memchr(clock, ':', size_t(clockSize)));
    if (!colon1)
        return false;
    const char *rest = colon1 + 1;
    const char *clockEnd = clock + clockSize;
    const char *colon2 = static_cast<const char *>(std::memchr(rest, ':', size_t(clockEnd - rest)));
    if (!colon2 || !logtext::parseDec(clock, int(colon1 - clock), hour) ||
        !logtext::parseDec(rest, int(colon2 - rest), minute))
        return false;
    int64_t secondsUs;
    if (!logtext::parseFixed(colon2 + 1, int(clockEnd - colon2 - 1), 6, secondsUs) ||
        secondsUs < 0 || secondsUs >= 61000000)
        return false;
    if (hourShift >= 0) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + uint32_t(hourShift);
    }
    const QDate date(int(year), month, int(day));
    const QTime time(int(hour), int(minute), 0);
    if (!date.isValid() || !time.isValid())
        return false;
    const QDateTime moment(date, time, Qt::LocalTime);
    // A year far beyond any recording (or a seconds field of many digits) must not
    // overflow the microsecond count.
    if (__builtin_mul_overflow(moment.toMSecsSinceEpoch(), int64_t(1000), &timeUs) ||
        __builtin_add_overflow(timeUs, secondsUs, &timeUs))
        return false;
    return true;
}

bool AscReader::start()
{
    lines.attach(&file);
    hex = true;
    relativeStamps = false;
    absolute = false;
    startUs = previousUs = 0;
    // The header runs up to the first line that is none of its lines.
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
        if (parseHeader(line.p, int(line.end - line.p)) != Line::Header)
            break;
        offset = lines.bytesConsumed();
    }
    lineOffset = offset;
    if (lines.failed())
        return fail(file.errorString());
    return lines.seek(offset) || fail(file.errorString());
}

namespace {
constexpr uint64_t HexBit = uint64_t(1) << 62;
constexpr uint64_t RelativeBit = uint64_t(1) << 61;
constexpr uint64_t OffsetBits = (uint64_t(1) << 48) - 1;
} // namespace

uint64_t AscReader::position() const
{
    return (uint64_t(lineOffset) & OffsetBits) | (hex ? HexBit : 0) |
           (relativeStamps ? RelativeBit : 0);
}

bool AscReader::seek(uint64_t position)
{
    if (!lines.seek(qint64(position & OffsetBits)))
        return false;
    hex = (position & HexBit) != 0;
    relativeStamps = (position & RelativeBit) != 0;
    return true;
}

bool AscReader::next(LogFrame &frame)
{
    const char *text;
    int size;
    while (lines.nextTextLine(text, size, lineOffset, damaged)) {
        switch (parseLine(text, size, frame)) {
        case Line::Frame:
            return true;
        case Line::Skipped:
            ++skipped;
            break;
        case Line::Damaged:
            ++damaged;
            break;
        case Line::Header:
        case Line::Ignored:
            break;
        }
    }
    if (lines.failed())
        fail(file.errorString());
    return false;
}

AscReader::Line AscReader::parseHeader(const char *text, int size)
{
    Cursor line{text, text + size};
    const char *t;
    int n;
    if (!line.token(t, n))
        return Line::Ignored;
    if (n >= 2 && t[0] == '/' && t[1] == '/')
        return Line::Header;
    if (isWord(t, n, "date")) {
        int64_t when;
        if (parseDate(line.p, int(line.end - line.p), when) && !absolute) {
            startUs = when;
            absolute = true;
        }
        return Line::Header;
    }
    if (isWord(t, n, "base")) {
        while (line.token(t, n)) {
            if (isWord(t, n, "hex"))
                hex = true;
            else if (isWord(t, n, "dec"))
                hex = false;
            else if (isWord(t, n, "relative"))
                relativeStamps = true;
            else if (isWord(t, n, "absolute"))
                relativeStamps = false;
        }
        return Line::Header;
    }
    if (isWord(t, n, "internal") || isWord(t, n, "no"))
        return Line::Header;
    if (isWord(t, n, "begin")) {
        if (!line.token(t, n) || !isWord(t, n, "triggerblock"))
            return Line::Ignored;
        int64_t when;
        // The trigger block's own start is the one its times count from.
        if (parseDate(line.p, int(line.end - line.p), when)) {
            startUs = when;
            absolute = true;
        }
        return Line::Header;
    }
    return Line::Ignored;
}

AscReader::Line AscReader::parseLine(const char *text, int size, LogFrame &frame)
{
    Cursor line{text, text + size};
    const char *t;
    int n;
    line.token(t, n);
    int64_t offsetUs;
    if (!logtext::parseFixed(t, n, 6, offsetUs)) {
        if (n >= 2 && t[0] == '/' && t[1] == '/')
            return Line::Skipped;
        if (isWord(t, n, "end") || parseHeader(text, size) == Line::Header)
            return Line::Ignored;
        return Line::Skipped;
    }
    frame = LogFrame();
    frame.timeUs = startUs + (relativeStamps ? previousUs + offsetUs : offsetUs);
    const char *channel;
    int channelSize;
    if (!line.token(channel, channelSize))
        return Line::Damaged;
    Line result;
    if (logtext::equals(channel, channelSize, "CANFD")) {
        result = parseFd(line, frame);
    } else {
        uint32_t number;
        if (!logtext::parseDec(channel, channelSize, number))
            return startsWithNoCase(line.p, int(line.end - line.p), " of measurement") ||
                           logtext::equalsNoCase(channel, channelSize, "Start")
                       ? Line::Ignored
                       : Line::Skipped;
        if (number < 1 || number > 256)
            return Line::Damaged;
        frame.channel = uint8_t(number - 1);
        result = parseClassic(line, frame);
    }
    if (result == Line::Frame && relativeStamps)
        previousUs += offsetUs;
    return result;
}

bool AscReader::readData(Cursor &line, int count, LogFrame &frame)
{
    for (int i = 0; i < count; ++i) {
        if (hex && line.hexByte(frame.data[i]))
            continue; // the usual two digits
        const char *t;
        int n;
        uint32_t value;
        if (!line.token(t, n) || !logtext::parseNumber(t, n, hex, value) || value > 255)
            return false;
        frame.data[i] = uint8_t(value);
    }
    return true;
}

// After "<time> <channel>": "<id>[x] Rx|Tx d <dlc> <data...> [...]", "<id>[x] Rx r [<dlc>]"
// or "ErrorFrame ...". Other events on a channel (statistics, chip states) are skipped.
AscReader::Line AscReader::parseClassic(Cursor &line, LogFrame &frame)
{
    const char *t;
    int n;
    if (!line.token(t, n))
        return Line::Damaged;
    if (isWord(t, n, "ErrorFrame")) {
        frame.error = true;
        return Line::Frame;
    }
    const bool extended = n > 1 && (t[n - 1] == 'x' || t[n - 1] == 'X');
    uint32_t id;
    if (!logtext::parseNumber(t, extended ? n - 1 : n, hex, id))
        return Line::Skipped; // "Statistic:", "Status:", ...
    const char *direction;
    int directionSize;
    if (!line.token(direction, directionSize))
        return Line::Damaged;
    if (logtext::equals(direction, directionSize, "Tx"))
        frame.tx = true;
    else if (logtext::equals(direction, directionSize, "TxRq"))
        return Line::Skipped;
    else if (!logtext::equals(direction, directionSize, "Rx"))
        return Line::Skipped;
    if ((extended && id > 0x1FFFFFFFu) || (!extended && id > 0x7FFu))
        return Line::Damaged;
    frame.id = id;
    frame.extended = extended;
    if (!line.token(t, n))
        return Line::Damaged;
    const bool remote = logtext::equalsNoCase(t, n, "r");
    if (!remote && !logtext::equalsNoCase(t, n, "d"))
        return Line::Damaged;
    uint32_t dlc = 0;
    const bool hasDlc = line.token(t, n);
    if (hasDlc && !logtext::parseNumber(t, n, hex, dlc))
        return remote ? Line::Frame : Line::Damaged;
    if (!hasDlc && !remote)
        return Line::Damaged;
    if (dlc > 15)
        return Line::Damaged;
    frame.remote = remote;
    frame.length = uint8_t(std::min<uint32_t>(dlc, 8));
    if (remote)
        return Line::Frame;
    return readData(line, frame.length, frame) ? Line::Frame : Line::Damaged;
}

// After "<time> CANFD": "<channel> Rx|Tx <id>[x] [<name>] <brs> <esi> <dlc> <length>
// <data...> <duration> <bits> <flags> <crc> ..." or "<channel> Rx|Tx ErrorFrame ...".
AscReader::Line AscReader::parseFd(Cursor &line, LogFrame &frame)
{
    const char *t;
    int n;
    uint32_t number;
    if (!line.token(t, n) || !logtext::parseDec(t, n, number) || number < 1 || number > 256)
        return Line::Damaged;
    frame.channel = uint8_t(number - 1);
    if (!line.token(t, n))
        return Line::Damaged;
    if (logtext::equals(t, n, "Tx"))
        frame.tx = true;
    else if (!logtext::equals(t, n, "Rx"))
        return Line::Skipped;
    if (!line.token(t, n))
        return Line::Damaged;
    if (isWord(t, n, "ErrorFrame")) {
        frame.error = true;
        frame.fd = true;
        return Line::Frame;
    }
    const bool extended = n > 1 && (t[n - 1] == 'x' || t[n - 1] == 'X');
    uint32_t id;
    if (!logtext::parseNumber(t, extended ? n - 1 : n, hex, id) || (extended && id > 0x1FFFFFFFu) ||
        (!extended && id > 0x7FFu))
        return Line::Damaged;
    frame.id = id;
    frame.extended = extended;
    if (!line.token(t, n))
        return Line::Damaged;
    if (!(n == 1 && (t[0] == '0' || t[0] == '1')) && !line.token(t, n)) // a symbolic name
        return Line::Damaged;
    if (n != 1 || (t[0] != '0' && t[0] != '1'))
        return Line::Damaged;
    frame.brs = t[0] == '1';
    if (!line.token(t, n) || n != 1 || (t[0] != '0' && t[0] != '1'))
        return Line::Damaged;
    frame.esi = t[0] == '1';
    uint32_t dlc, length;
    if (!line.token(t, n) || !logtext::parseHex(t, n, dlc) || dlc > 15)
        return Line::Damaged;
    if (!line.token(t, n) || !logtext::parseDec(t, n, length) || length > 64)
        return Line::Damaged;
    if (!readData(line, int(length), frame))
        return Line::Damaged;
    frame.length = uint8_t(length);
    frame.fd = true;
    // The trailing fields: duration, bit count, then the flags (EDL 0x1000, remote 0x10).
    uint32_t flags;
    if (line.token(t, n) && line.token(t, n) && line.token(t, n) &&
        logtext::parseHex(t, n, flags)) {
        frame.fd = (flags & 0x1000u) != 0;
        frame.remote = !frame.fd && (flags & 0x10u) != 0;
        if (frame.remote)
            frame.length = uint8_t(std::min<uint32_t>(canFdLengthFromDlc(int(dlc)), 8));
    }
    if (frame.fd ? !isCanFdLength(frame.length) : frame.length > 8)
        return Line::Damaged;
    if (!frame.fd)
        frame.brs = frame.esi = false;
    return Line::Frame;
}

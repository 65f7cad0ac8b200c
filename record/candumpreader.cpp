#include "record/candumpreader.h"

#include "record/logtext.h"

#include <cstring>

using logtext::Cursor;

namespace {
constexpr uint32_t ErrorFlag = 0x20000000u;
}

bool CandumpReader::start()
{
    absolute = true;
    otherInterfaces.clear();
    lines.attach(&file);
    return true;
}

bool CandumpReader::seek(uint64_t position)
{
    return lines.seek(qint64(position));
}

bool CandumpReader::next(LogFrame &frame)
{
    const char *text;
    int size;
    while (lines.nextTextLine(text, size, lineOffset, damaged)) {
        if (*text == '#' || *text == ';') {
            ++skipped;
            continue;
        }
        if (parseLine(text, size, frame))
            return true;
        ++damaged;
    }
    if (lines.failed())
        fail(file.errorString());
    return false;
}

int CandumpReader::channelOf(const char *name, int size)
{
    int digits = 0;
    while (digits < size && name[size - 1 - digits] >= '0' && name[size - 1 - digits] <= '9')
        ++digits;
    uint32_t number = 0;
    if (digits > 0 && digits < size && logtext::parseDec(name + size - digits, digits, number) &&
        number < 256)
        return int(number);
    const QByteArray key(name, size);
    int index = otherInterfaces.indexOf(key);
    if (index < 0) {
        if (otherInterfaces.size() >= 256)
            return 255;
        otherInterfaces.append(key);
        index = otherInterfaces.size() - 1;
    }
    return index;
}

bool CandumpReader::parseLine(const char *text, int size, LogFrame &frame)
{
    Cursor line{text, text + size};
    const char *token;
    int length;
    if (!line.token(token, length) || length < 3 || token[0] != '(' || token[length - 1] != ')')
        return false;
    int64_t timeUs;
    if (!logtext::parseFixed(token + 1, length - 2, 6, timeUs))
        return false;
    const char *name;
    int nameSize;
    if (!line.token(name, nameSize))
        return false;
    const char *body;
    int bodySize;
    if (!line.token(body, bodySize))
        return false;
    const char *direction;
    int directionSize;
    bool tx = false;
    if (line.token(direction, directionSize)) {
        if (logtext::equals(direction, directionSize, "T"))
            tx = true;
        else if (!logtext::equals(direction, directionSize, "R"))
            return false;
        if (line.token(direction, directionSize))
            return false;
    }

    const char *hash = static_cast<const char *>(memchr(body, '#', size_t(bodySize)));
    if (!hash)
        return false;
    const int idDigits = int(hash - body);
    uint32_t id;
    if ((idDigits != 3 && idDigits != 8) || !logtext::parseHex(body, idDigits, id))
        return false;
    frame = LogFrame();
    frame.timeUs = timeUs;
    frame.tx = tx;
    frame.channel = uint8_t(channelOf(name, nameSize));
    frame.extended = idDigits == 8;
    frame.error = (id & ErrorFlag) != 0;
    frame.id = id & 0x1FFFFFFFu;
    if (!frame.extended && !frame.error && id > 0x7FF)
        return false;

    const char *p = hash + 1;
    const char *end = body + bodySize;
    if (p < end && *p == '#') {
        if (end - p < 2)
            return false;
        const int flags = logtext::hexDigit(p[1]);
        if (flags < 0)
            return false;
        frame.fd = true;
        frame.brs = (flags & 1) != 0;
        frame.esi = (flags & 2) != 0;
        p += 2;
    } else if (p < end && (*p == 'R' || *p == 'r')) {
        frame.remote = true;
        ++p;
        if (p < end) {
            const int dlc = logtext::hexDigit(*p);
            if (dlc < 0 || dlc > 8 || p + 1 != end)
                return false;
            frame.length = uint8_t(dlc);
        }
        return true;
    }
    const int capacity = maxFrameLength(frame.fd);
    int count = 0;
    while (p < end) {
        if (*p == '.') {
            ++p;
            continue;
        }
        if (end - p < 2 || count >= capacity)
            return false;
        const int high = logtext::hexDigit(p[0]), low = logtext::hexDigit(p[1]);
        if (high < 0 || low < 0)
            return false;
        frame.data[count++] = uint8_t(high << 4 | low);
        p += 2;
    }
    if (frame.fd && !isCanFdLength(count))
        return false;
    frame.length = uint8_t(count);
    return true;
}

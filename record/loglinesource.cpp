#include "record/loglinesource.h"

#include <cstring>

namespace {
constexpr int ChunkSize = 1024 * 1024;
}

void LogLineSource::attach(QIODevice *source)
{
    device = source;
    buffer.resize(ChunkSize + MaxLineLength);
    start = end = 0;
    bufferOffset = device ? device->pos() : 0;
    atEof = false;
    readError = false;
}

bool LogLineSource::fill()
{
    if (atEof || !device)
        return false;
    if (start > 0) {
        std::memmove(buffer.data(), buffer.constData() + start, size_t(end - start));
        bufferOffset += start;
        end -= start;
        start = 0;
    }
    const qint64 room = qint64(buffer.size() - end);
    if (room <= 0)
        return false;
    const qint64 got = device->read(buffer.data() + end, room);
    if (got < 0)
        readError = true;
    if (got <= 0) {
        atEof = true;
        return false;
    }
    end += int(got);
    return true;
}

bool LogLineSource::nextLine(const char *&text, int &size, qint64 &offset, bool &overlong)
{
    overlong = false;
    for (;;) {
        const char *base = buffer.constData();
        const void *newline = std::memchr(base + start, '\n', size_t(end - start));
        if (newline || (atEof && end > start)) {
            const int lineEnd = newline ? int(static_cast<const char *>(newline) - base) : end;
            offset = bufferOffset + start;
            text = base + start;
            size = lineEnd - start;
            start = newline ? lineEnd + 1 : end;
            if (size > 0 && text[size - 1] == '\r')
                --size;
            if (size > MaxLineLength) {
                overlong = true;
                size = 0;
            }
            return true;
        }
        if (end - start >= MaxLineLength) {
            // Overlong: drop what is buffered and everything up to the next line end.
            offset = bufferOffset + start;
            for (;;) {
                start = end;
                if (!fill())
                    break;
                const char *found =
                    static_cast<const char *>(std::memchr(buffer.constData(), '\n', size_t(end)));
                if (found) {
                    start = int(found - buffer.constData()) + 1;
                    break;
                }
            }
            overlong = true;
            text = buffer.constData();
            size = 0;
            return true;
        }
        if (!fill() && !(atEof && end > start))
            return false;
    }
}

bool LogLineSource::seek(qint64 offset)
{
    if (!device || !device->seek(offset))
        return false;
    start = end = 0;
    bufferOffset = offset;
    atEof = false;
    return true;
}

qint64 LogLineSource::bytesConsumed() const
{
    return bufferOffset + start;
}

bool LogLineSource::failed() const
{
    return readError;
}

bool LogLineSource::nextTextLine(const char *&text, int &size, qint64 &offset,
                                 qint64 &overlongLines)
{
    bool overlong;
    while (nextLine(text, size, offset, overlong)) {
        if (overlong) {
            ++overlongLines;
            continue;
        }
        while (size > 0 && (*text == ' ' || *text == '\t')) {
            ++text;
            --size;
        }
        if (size > 0)
            return true;
    }
    return false;
}

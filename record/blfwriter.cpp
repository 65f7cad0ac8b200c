#include "record/blfwriter.h"

#include "record/blfformat.h"

#include <QDateTime>

#include <zlib.h>

#include <algorithm>

using namespace blf;

namespace {

void put16(char *p, uint16_t v)
{
    qToLittleEndian<quint16>(v, reinterpret_cast<uchar *>(p));
}
void put32(char *p, uint32_t v)
{
    qToLittleEndian<quint32>(v, reinterpret_cast<uchar *>(p));
}
void put64(char *p, uint64_t v)
{
    qToLittleEndian<quint64>(v, reinterpret_cast<uchar *>(p));
}

// SYSTEMTIME of a local time (all zero when there is no date).
void putSystemTime(char *p, bool absolute, int64_t timeUs)
{
    std::memset(p, 0, 16);
    if (!absolute)
        return;
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(timeUs / 1000, Qt::LocalTime);
    const QDate date = moment.date();
    const QTime time = moment.time();
    put16(p, uint16_t(date.year()));
    put16(p + 2, uint16_t(date.month()));
    put16(p + 4, uint16_t(date.dayOfWeek() % 7));
    put16(p + 6, uint16_t(date.day()));
    put16(p + 8, uint16_t(time.hour()));
    put16(p + 10, uint16_t(time.minute()));
    put16(p + 12, uint16_t(time.second()));
    put16(p + 14, uint16_t(time.msec()));
}

uint32_t idWord(const LogFrame &frame)
{
    return frame.id | (frame.extended ? ExtendedIdFlag : 0);
}

} // namespace

void BlfWriter::begin()
{
    container.clear();
    container.reserve(ContainerSize + 256);
    started = false;
    inflatedSize = FileHeaderSize;
    objectCount = 0;
    out.append(QByteArray(FileHeaderSize, '\0')); // filled in by finish()
}

void BlfWriter::append(const LogFrame &frame)
{
    if (!started) {
        startUs = absolute ? (frame.timeUs / 1000) * 1000 : 0;
        lastUs = frame.timeUs;
        started = true;
    }
    lastUs = std::max(lastUs, frame.timeUs);
    char body[40 + 64] = {};
    if (frame.error) {
        put16(body, uint16_t(frame.channel + 1));
        body[10] = char(std::min<int>(frame.length, 8));
        put32(body + 16, idWord(frame));
        std::memcpy(body + 24, frame.data, std::min<size_t>(frame.length, 8));
        addObject(CanErrorExt, frame, body, 32);
    } else if (frame.fd) {
        const int length = std::min<int>(frame.length, 64);
        body[0] = char(frame.channel + 1);
        body[1] = char(canFdDlcFromLength(length));
        body[2] = char(length);
        put32(body + 4, idWord(frame));
        put32(body + 12, Fd64Edl | (frame.brs ? Fd64Brs : 0) | (frame.esi ? Fd64Esi : 0));
        body[34] = frame.tx ? 1 : 0; // direction byte after the 16-bit bit count
        std::memcpy(body + 40, frame.data, size_t(length));
        addObject(CanFdMessage64, frame, body, 40 + length);
    } else {
        const int length = std::min<int>(frame.length, 8);
        put16(body, uint16_t(frame.channel + 1));
        body[2] = char((frame.tx ? MessageTx : 0) | (frame.remote ? MessageRemote : 0));
        body[3] = char(length);
        put32(body + 4, idWord(frame));
        if (!frame.remote)
            std::memcpy(body + 8, frame.data, size_t(length));
        addObject(CanMessage, frame, body, 16);
    }
}

void BlfWriter::addObject(uint32_t type, const LogFrame &frame, const char *body, int bodySize)
{
    const int headerSize = ObjectHeaderBaseSize + ObjectHeaderV1Size;
    const int objectSize = headerSize + bodySize;
    char header[ObjectHeaderBaseSize + ObjectHeaderV1Size] = {'L', 'O', 'B', 'J'};
    put16(header + 4, uint16_t(headerSize));
    put16(header + 6, 1);
    put32(header + 8, uint32_t(objectSize));
    put32(header + 12, type);
    put32(header + 16, TimeOneNanos);
    put64(header + 24, uint64_t(std::max<int64_t>(frame.timeUs - startUs, 0)) * 1000);
    container.append(header, headerSize);
    container.append(body, bodySize);
    container.append(QByteArray(objectSize % 4, '\0'));
    ++objectCount;
    if (container.size() >= ContainerSize)
        packContainer();
}

void BlfWriter::packContainer()
{
    if (container.isEmpty())
        return;
    uLongf packedSize = compressBound(uLong(container.size()));
    QByteArray object(ObjectHeaderBaseSize + ContainerHeaderSize + int(packedSize), '\0');
    char *p = object.data();
    compress2(reinterpret_cast<Bytef *>(p + ObjectHeaderBaseSize + ContainerHeaderSize),
              &packedSize, reinterpret_cast<const Bytef *>(container.constData()),
              uLong(container.size()), Z_BEST_SPEED);
    const int objectSize = ObjectHeaderBaseSize + ContainerHeaderSize + int(packedSize);
    object.resize(objectSize);
    p = object.data();
    std::memcpy(p, "LOBJ", 4);
    put16(p + 4, ObjectHeaderBaseSize);
    put16(p + 6, 1);
    put32(p + 8, uint32_t(objectSize));
    put32(p + 12, LogContainer);
    put16(p + 16, 2); // zlib
    put32(p + 24, uint32_t(container.size()));
    out.append(object);
    out.append(QByteArray(objectSize % 4, '\0'));
    inflatedSize += quint64(ObjectHeaderBaseSize + ContainerHeaderSize + container.size());
    container.clear();
}

QByteArray BlfWriter::fileHeader(qint64 fileSize) const
{
    QByteArray header(FileHeaderSize, '\0');
    char *p = header.data();
    std::memcpy(p, "LOGG", 4);
    put32(p + 4, FileHeaderSize);
    p[8] = 0;  // application
    p[12] = 4; // binary log format version 4.x
    put64(p + 16, uint64_t(fileSize));
    put64(p + 24, inflatedSize);
    put32(p + 32, objectCount);
    putSystemTime(p + 40, absolute && started, startUs);
    putSystemTime(p + 56, absolute && started, lastUs);
    return header;
}

bool BlfWriter::finish()
{
    packContainer();
    if (!flush())
        return false;
    const qint64 size = file.pos();
    if (!file.seek(0) || file.write(fileHeader(size)) != FileHeaderSize || !file.seek(size))
        return fail(file.errorString());
    return true;
}

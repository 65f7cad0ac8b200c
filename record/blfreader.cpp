#include "record/blfreader.h"

#include "record/blfformat.h"

#include <QDateTime>

#include <zlib.h>

#include <algorithm>

using namespace blf;

namespace {

constexpr int NoContainer = 0xFFFFFF;
constexpr int MaxDirectObject = 1024 * 1024;
constexpr int ScanChunk = 64 * 1024;

// The first "LOBJ" in [from, from + size), or -1.
int findIn(const char *text, int from, int size)
{
    for (int i = from; i + 4 <= size; ++i)
        if (text[i] == 'L' && isSignature(text + i))
            return i;
    return -1;
}

} // namespace

bool BlfReader::start()
{
    char header[72];
    if (file.read(header, sizeof header) != qint64(sizeof header) ||
        std::memcmp(header, "LOGG", 4) != 0)
        return fail(QStringLiteral("not a BLF file (no LOGG header)"));
    const uint32_t headerSize = u32(header + 4);
    if (headerSize < sizeof header || headerSize > 65536)
        return fail(QStringLiteral("BLF file header of impossible size"));
    const char *st = header + 40; // SYSTEMTIME of the measurement start
    const QDate date(u16(st), u16(st + 2), u16(st + 6));
    const QTime time(u16(st + 8), u16(st + 10), u16(st + 12), u16(st + 14));
    absolute = date.isValid() && time.isValid() && date.year() >= 1980;
    startUs = absolute ? QDateTime(date, time, Qt::LocalTime).toMSecsSinceEpoch() * 1000 : 0;
    fileOffset = headerSize;
    data.clear();
    pos = carryLength = 0;
    container = -1;
    directObject = false;
    return true;
}

bool BlfReader::seek(uint64_t position)
{
    const qint64 offset = qint64(position >> 24);
    const int inner = int(position & 0xFFFFFF);
    data.clear();
    pos = carryLength = 0;
    fileOffset = offset;
    if (inner == NoContainer)
        return offset < file.size();
    if (!readFileObject(false) || directObject || inner > data.size())
        return false;
    pos = inner;
    return true;
}

bool BlfReader::next(LogFrame &frame)
{
    for (;;) {
        switch (parseObject(frame)) {
        case Object::Frame:
            return true;
        case Object::Other:
            break;
        case Object::NeedMore:
            if (!readFileObject(true)) {
                if (data.size() - pos >= ObjectHeaderBaseSize)
                    ++damaged; // a truncated object at the end
                data.clear();
                pos = 0;
                return false;
            }
            break;
        }
    }
}

uint64_t BlfReader::positionOf(int at) const
{
    if (directObject)
        return uint64_t(container) << 24 | NoContainer;
    if (at < carryLength)
        return uint64_t(carryContainer) << 24 | uint64_t(carryInner + at);
    return uint64_t(container) << 24 | uint64_t(at - carryLength);
}

BlfReader::Object BlfReader::parseObject(LogFrame &frame)
{
    const char *bytes = data.constData();
    const int size = data.size();
    // Objects are padded by up to a few bytes; anything further is damage.
    int at = pos;
    while (at + 4 <= size && at < pos + 8 && !isSignature(bytes + at))
        ++at;
    if (at + 4 > size || at >= pos + 8) {
        if (size - pos < 8)
            return Object::NeedMore;
        const int found = findIn(bytes, pos, size);
        ++damaged;
        pos = found >= 0 ? found : std::max(pos, size - 3);
        return found >= 0 ? Object::Other : Object::NeedMore;
    }
    pos = at;
    if (size - pos < ObjectHeaderBaseSize)
        return Object::NeedMore;
    const uint32_t objectSize = u32(bytes + pos + 8);
    if (objectSize < ObjectHeaderBaseSize || objectSize > uint32_t(MaxContainerSize)) {
        ++damaged;
        pos += 4;
        return Object::Other;
    }
    if (uint32_t(size - pos) < objectSize)
        return Object::NeedMore;
    bool isFrame = false;
    const bool intact = decodeObject(bytes + pos, int(objectSize), frame, isFrame);
    lastPosition = positionOf(pos);
    pos += int(objectSize);
    if (!intact) {
        ++damaged;
        return Object::Other;
    }
    if (!isFrame) {
        ++skipped;
        return Object::Other;
    }
    return Object::Frame;
}

bool BlfReader::decodeObject(const char *object, int size, LogFrame &frame, bool &isFrame)
{
    const uint16_t headerSize = u16(object + 4);
    const uint16_t headerVersion = u16(object + 6);
    const uint32_t type = u32(object + 12);
    isFrame = false;
    if (type == LogContainer)
        return true; // not expected inside a container: passed over
    const int needed = headerVersion == 2 ? ObjectHeaderBaseSize + ObjectHeaderV2Size
                                          : ObjectHeaderBaseSize + ObjectHeaderV1Size;
    if ((headerVersion != 1 && headerVersion != 2) || headerSize < needed || headerSize > size)
        return headerVersion == 1 || headerVersion == 2 ? false : true;
    const uint32_t flags = u32(object + 16);
    const uint64_t stamp = u64(object + 24); // the same place in both header versions
    // Nanoseconds to the nearest microsecond: writers that compute the stamp in floating
    // point leave values such as 3701999 ns for 3.702 ms.
    const int64_t stampUs = flags == TimeTenMicros
                                ? int64_t(stamp % (uint64_t(1) << 59)) * 10
                                : int64_t(stamp / 1000 + (stamp % 1000 >= 500 ? 1 : 0));
    const char *body = object + headerSize;
    const int bodySize = size - headerSize;

    frame = LogFrame();
    frame.timeUs = startUs + stampUs;
    const auto setId = [&frame](uint32_t word) {
        frame.extended = (word & ExtendedIdFlag) != 0;
        frame.id = word & 0x1FFFFFFFu;
        if (!frame.extended && frame.id > 0x7FF)
            frame.extended = true; // some writers leave the flag out
    };
    const auto setChannel = [&frame](uint32_t channel) {
        frame.channel = uint8_t(channel > 0 ? std::min<uint32_t>(channel - 1, 255) : 0);
    };
    switch (type) {
    case CanMessage:
    case CanMessage2: {
        if (bodySize < 16)
            return false;
        setChannel(u16(body));
        const uint8_t messageFlags = uint8_t(body[2]);
        frame.tx = (messageFlags & MessageTx) != 0;
        frame.remote = (messageFlags & MessageRemote) != 0;
        frame.length = uint8_t(std::min<int>(uint8_t(body[3]), 8));
        setId(u32(body + 4));
        if (!frame.remote)
            std::memcpy(frame.data, body + 8, frame.length);
        break;
    }
    case CanFdMessage: {
        if (bodySize < 84)
            return false;
        setChannel(u16(body));
        const uint8_t messageFlags = uint8_t(body[2]);
        const uint8_t fdFlags = uint8_t(body[13]);
        frame.tx = (messageFlags & MessageTx) != 0;
        frame.fd = (fdFlags & FdEdl) != 0;
        frame.brs = frame.fd && (fdFlags & FdBrs);
        frame.esi = frame.fd && (fdFlags & FdEsi);
        frame.remote = !frame.fd && (messageFlags & MessageRemote);
        setId(u32(body + 4));
        const int valid = std::min<int>(uint8_t(body[14]), frame.fd ? 64 : 8);
        frame.length = uint8_t(frame.remote ? std::min<int>(uint8_t(body[3]), 8) : valid);
        if (!frame.remote)
            std::memcpy(frame.data, body + 20, size_t(valid));
        break;
    }
    case CanFdMessage64: {
        if (bodySize < 40)
            return false;
        setChannel(uint8_t(body[0]));
        const uint32_t fdFlags = u32(body + 12);
        frame.tx = body[34] != 0; // direction byte after the 16-bit bit count
        frame.fd = (fdFlags & Fd64Edl) != 0;
        frame.brs = frame.fd && (fdFlags & Fd64Brs);
        frame.esi = frame.fd && (fdFlags & Fd64Esi);
        frame.remote = !frame.fd && (fdFlags & Fd64Remote);
        setId(u32(body + 4));
        const int valid = std::min<int>(uint8_t(body[2]), frame.fd ? 64 : 8);
        if (bodySize < 40 + valid && !frame.remote)
            return false;
        frame.length = uint8_t(frame.remote ? std::min<int>(uint8_t(body[1]), 8) : valid);
        if (!frame.remote)
            std::memcpy(frame.data, body + 40, size_t(valid));
        break;
    }
    case CanErrorExt: {
        if (bodySize < 32)
            return false;
        setChannel(u16(body));
        frame.error = true;
        setId(u32(body + 16));
        frame.length = uint8_t(std::min<int>(uint8_t(body[10]), 8));
        std::memcpy(frame.data, body + 24, frame.length);
        break;
    }
    case CanError:
        if (bodySize < 4)
            return false;
        setChannel(u16(body));
        frame.error = true;
        break;
    default:
        return true; // another kind of object
    }
    if (frame.fd && !isCanFdLength(frame.length))
        frame.length = uint8_t(canFdLengthFromDlc(canFdDlcFromLength(frame.length)));
    isFrame = true;
    return true;
}

bool BlfReader::findSignature(qint64 from, qint64 &found)
{
    QByteArray chunk;
    for (qint64 at = from; file.seek(at); at += ScanChunk) {
        chunk = file.read(ScanChunk + 3);
        if (chunk.size() < 4)
            return false;
        const int hit = findIn(chunk.constData(), 0, chunk.size());
        if (hit >= 0) {
            found = at + hit;
            return true;
        }
    }
    return false;
}

bool BlfReader::inflateInto(const QByteArray &packed, int expected, QByteArray &target)
{
    const int base = target.size();
    target.resize(base + expected);
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) {
        target.resize(base);
        return false;
    }
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    stream.next_out = reinterpret_cast<Bytef *>(target.data() + base);
    stream.avail_out = uInt(expected);
    const int result = inflate(&stream, Z_FINISH);
    const int produced = int(stream.total_out);
    inflateEnd(&stream);
    target.resize(base + produced);
    return result == Z_STREAM_END && produced == expected;
}

// Reads the top-level object at fileOffset (resynchronising on damage). A container is
// inflated behind what is left of the one before (keepCarry); any other object is kept
// alone in data.
bool BlfReader::readFileObject(bool keepCarry)
{
    for (;;) {
        if (!file.seek(fileOffset))
            return false;
        char header[ObjectHeaderBaseSize + ContainerHeaderSize];
        const qint64 got = file.read(header, ObjectHeaderBaseSize);
        if (got < ObjectHeaderBaseSize) {
            if (got > 0)
                ++damaged;
            fileOffset = file.size();
            return false;
        }
        const uint32_t objectSize = u32(header + 8);
        const uint32_t type = u32(header + 12);
        if (!isSignature(header) || objectSize < ObjectHeaderBaseSize ||
            objectSize > uint32_t(2 * MaxContainerSize) || fileOffset + objectSize > file.size()) {
            qint64 found;
            // Padding of a few bytes is normal; anything else is counted.
            if (findSignature(fileOffset, found) && found > fileOffset && found - fileOffset < 8) {
                fileOffset = found;
                continue;
            }
            ++damaged;
            if (!findSignature(fileOffset + 1, found)) {
                fileOffset = file.size();
                return false;
            }
            fileOffset = found;
            continue;
        }
        const qint64 objectOffset = fileOffset;
        fileOffset += objectSize + objectSize % 4;
        if (type != LogContainer) {
            if (objectSize > uint32_t(MaxDirectObject)) {
                ++damaged;
                continue;
            }
            if (keepCarry && !directObject && data.size() - pos >= ObjectHeaderBaseSize)
                ++damaged; // an object cut off by the end of its container
            if (!file.seek(objectOffset))
                return false;
            data = file.read(objectSize);
            if (data.size() != int(objectSize))
                return false;
            pos = 0;
            carryLength = 0;
            container = objectOffset;
            directObject = true;
            return true;
        }
        if (objectSize < ObjectHeaderBaseSize + ContainerHeaderSize ||
            file.read(header + ObjectHeaderBaseSize, ContainerHeaderSize) != ContainerHeaderSize) {
            ++damaged;
            continue;
        }
        const uint16_t method = u16(header + 16);
        const uint32_t inflated = u32(header + 24);
        const int packedSize = int(objectSize) - ObjectHeaderBaseSize - ContainerHeaderSize;
        // What is left of the data before: an object that runs on into this container.
        QByteArray next;
        int carry = 0;
        if (keepCarry && !directObject && pos < data.size()) {
            carry = data.size() - pos;
            next = data.mid(pos);
            carryContainer = pos < carryLength ? carryContainer : container;
            carryInner = pos < carryLength ? carryInner + pos : pos - carryLength;
        }
        if (inflated > uint32_t(MaxContainerSize) || (method != 0 && method != 2)) {
            ++damaged;
            if (carry > 0)
                ++damaged;
            data.clear();
            pos = carryLength = 0;
            directObject = false;
            keepCarry = false;
            continue;
        }
        const QByteArray packed = file.read(packedSize);
        bool intact = packed.size() == packedSize;
        if (intact && method == 0)
            next.append(packed.left(int(inflated)));
        else if (intact)
            intact = inflateInto(packed, int(inflated), next);
        if (!intact) {
            ++damaged; // a broken container: its objects are lost, the carry with them
            data.clear();
            pos = carryLength = 0;
            directObject = false;
            keepCarry = false;
            continue;
        }
        data = next;
        pos = 0;
        carryLength = carry;
        container = objectOffset;
        directObject = false;
        return true;
    }
}

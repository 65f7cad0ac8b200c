#include "itemframe.h"

namespace {

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

// "0x" and hex digits; digits is set to their count.
bool readHex(const QString &text, uint64_t &value, int &digits)
{
    if (!text.startsWith(QLatin1String("0x")) || text.size() < 3 || text.size() > 18)
        return false;
    value = 0;
    digits = text.size() - 2;
    for (int i = 2; i < text.size(); ++i) {
        const int d = hexDigit(text.at(i));
        if (d < 0)
            return false;
        value = (value << 4) | uint64_t(d);
    }
    return true;
}

// "x| " followed by "AB " per byte.
bool readData(const QString &text, ItemFrame &out)
{
    if (!text.startsWith(QLatin1String("x|")))
        return false;
    out.length = 0;
    for (int i = 2; i < text.size();) {
        if (text.at(i) == QLatin1Char(' ')) {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || out.length >= 64)
            return false;
        const int high = hexDigit(text.at(i)), low = hexDigit(text.at(i + 1));
        if (high < 0 || low < 0)
            return false;
        out.data[out.length++] = uint8_t(high << 4 | low);
        i += 2;
    }
    return true;
}

} // namespace

bool readItemFrame(const ModelItem &item, ItemFrame &out)
{
    out.channel = item.channel;
    out.received = item.recv == 1;
    uint64_t id = 0;
    int digits = 0;
    // Standard identifiers are written with 3 digits, extended ones with 8.
    if (!readHex(item.id, id, digits) || id > 0x1FFFFFFFu)
        return false;
    out.id = uint32_t(id);
    out.extended = digits >= 8;
    if (!readData(item.data, out))
        return false;
    uint64_t micros = 0;
    if (readHex(item.timeStamp, micros, digits)) {
        out.hasTime = true;
        out.seconds = double(micros) * 1e-6;
    } else {
        out.seconds = item.timeStamp.toDouble(&out.hasTime);
    }
    return true;
}

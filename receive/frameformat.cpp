#include "receive/frameformat.h"

#include "settings/settingsstore.h"

#include <QVector>

#include <algorithm>
#include <chrono>

// Hot path: a busy bus produces tens of thousands of frames per second. Constant texts
// are shared strings built once (copying them only touches a reference count), and the
// variable texts are written into a stack buffer through a lookup table and turned into
// a QString with a single allocation.

namespace {

constexpr int LanguageCount = 3;

// Frame texts of one interface language; the fourth entry (unknown language) is empty.
struct LanguageTexts
{
    QString extended;
    QString standard;
    QString remote;
    QString dataFrame;
    QString canFdBrs;
    QString errorFrame;
};

struct SharedTexts
{
    QString rx = QStringLiteral("Rx");
    QString tx = QStringLiteral("Tx");
    QString none = QStringLiteral("无");
    QString can = QStringLiteral("CAN");
    QString canFd = QStringLiteral("CANFD");
    QString dataPrefix = QStringLiteral("x| ");
    QString channels[2] = {QStringLiteral("1"), QStringLiteral("2")};
    LanguageTexts languages[LanguageCount + 1] = {
        {QStringLiteral("扩展帧"), QStringLiteral("标准帧"), QStringLiteral("远程帧"),
         QStringLiteral("数据帧"), QStringLiteral("CANFD-加速"), QStringLiteral("错误帧")},
        {QStringLiteral("擴展幀"), QStringLiteral("標準幀"), QStringLiteral("遠程幀"),
         QStringLiteral("數據幀"), QStringLiteral("CANFD-加速"), QStringLiteral("錯誤幀")},
        {QStringLiteral("Extended Frame"), QStringLiteral("Standard Frame"),
         QStringLiteral("Remote Frame"), QStringLiteral("data frame"),
         QStringLiteral("CANFD-acceleration"), QStringLiteral("Error Frame")},
        {QString(), QString(), QString(), QString(), QStringLiteral("CANFD"), QString()}};
    QVector<QString> lengths; // "0".."255"

    SharedTexts()
    {
        lengths.reserve(256);
        for (int i = 0; i < 256; ++i)
            lengths.append(QString::number(i));
    }
};

const SharedTexts &texts()
{
    static const SharedTexts shared;
    return shared;
}

const LanguageTexts &languageTexts()
{
    const uint32_t language = languageIndex();
    return texts().languages[std::min<uint32_t>(language, LanguageCount)];
}

// "00".."FF", two upper-case digits per byte value.
struct HexTable
{
    char16_t pairs[256][2];
    constexpr HexTable() : pairs()
    {
        constexpr char digits[] = "0123456789ABCDEF";
        for (int i = 0; i < 256; ++i) {
            pairs[i][0] = char16_t(digits[i >> 4]);
            pairs[i][1] = char16_t(digits[i & 15]);
        }
    }
};
constexpr HexTable hexTable;
constexpr char16_t hexDigits[] = u"0123456789ABCDEF";

QString fromBuffer(const char16_t *buffer, int length)
{
    return QString(reinterpret_cast<const QChar *>(buffer), length);
}

// "0x" + identifier in upper-case hex, at least 3 (standard) or 8 (extended) digits.
QString idText(uint32_t word)
{
    const uint32_t id = word & CanIdMask;
    int digits = 1;
    while (digits < 8 && (id >> (4 * digits)) != 0)
        ++digits;
    digits = std::max(digits, (word & CanExtendedFlag) ? 8 : 3);
    char16_t buffer[10] = {u'0', u'x'};
    for (int i = 0; i < digits; ++i)
        buffer[1 + digits - i] = hexDigits[(id >> (4 * i)) & 15];
    return fromBuffer(buffer, 2 + digits);
}

QString timeStampText(uint64_t microseconds, bool timeHex)
{
    if (!timeHex)
        return QString::number(double(microseconds) * 0.000001, 'f', 4);
    char16_t buffer[18] = {u'0', u'x'};
    int digits = 1;
    while (digits < 16 && (microseconds >> (4 * digits)) != 0)
        ++digits;
    for (int i = 0; i < digits; ++i)
        buffer[1 + digits - i] = hexDigits[(microseconds >> (4 * i)) & 15];
    return fromBuffer(buffer, 2 + digits);
}

// "x| " followed by "AB " per byte; the byte count never exceeds the record's capacity.
QString dataText(const uint8_t *bytes, int count)
{
    if (count <= 0)
        return texts().dataPrefix;
    char16_t buffer[3 + 3 * 64] = {u'x', u'|', u' '};
    char16_t *out = buffer + 3;
    for (int i = 0; i < count; ++i) {
        out[0] = hexTable.pairs[bytes[i]][0];
        out[1] = hexTable.pairs[bytes[i]][1];
        out[2] = u' ';
        out += 3;
    }
    return fromBuffer(buffer, 3 + 3 * count);
}

QString channelText(uint32_t channel)
{
    if (channel < 2)
        return texts().channels[channel];
    return QString::number(uint64_t(channel) + 1);
}

// The texts every frame shares: channel, id, frame format, frame type and length.
ModelItem baseItem(uint32_t channel, uint32_t word, uint8_t length, bool received)
{
    const SharedTexts &shared = texts();
    const LanguageTexts &language = languageTexts();
    ModelItem item;
    item.channel = channel;
    item.recv = received ? 1 : 0;
    item.channelText = channelText(channel);
    item.direction = received ? shared.rx : shared.tx;
    item.id = idText(word);
    item.frame = (word & CanExtendedFlag) ? language.extended : language.standard;
    if (word & CanErrorFlag)
        item.type = language.errorFrame; // the identifier shows the error classes
    else
        item.type = (word & CanRemoteFlag) ? language.remote : language.dataFrame;
    item.dlc = shared.lengths.at(length);
    return item;
}

const QString &fdText(uint8_t flags)
{
    return flags == 1 ? languageTexts().canFdBrs : texts().canFd;
}

int payloadCount(uint32_t word, uint8_t length, int capacity)
{
    return (word & CanRemoteFlag) ? 0 : std::min<int>(length, capacity);
}

// The record itself, for the statistics: bytes beyond the record's capacity are not read.
void setFacts(FrameFacts &facts, uint32_t word, uint8_t length, const uint8_t *bytes, int capacity,
              bool fd, bool bitRateSwitch)
{
    facts.valid = true;
    facts.fd = fd;
    facts.bitRateSwitch = bitRateSwitch;
    facts.idWord = word;
    facts.length = length;
    std::copy_n(bytes, std::min<int>(length, capacity), facts.data);
}

uint64_t hostMicroseconds()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void setReceivedTime(FrameFacts &facts, uint64_t timeStamp)
{
    facts.adapterTime = true;
    facts.timeUs = timeStamp;
}

} // namespace

ModelItem formatRxFrame(uint32_t channel, const CanRxRecord &record, bool timeHex)
{
    ModelItem item = baseItem(channel, record.id, record.length, true);
    item.timeStamp = timeStampText(record.timeStamp, timeHex);
    item.canFd = texts().can;
    item.data = dataText(record.data, payloadCount(record.id, record.length, 8));
    setFacts(item.facts, record.id, record.length, record.data, 8, false, false);
    setReceivedTime(item.facts, record.timeStamp);
    return item;
}

ModelItem formatRxFdFrame(uint32_t channel, const CanFdRxRecord &record, bool timeHex)
{
    ModelItem item = baseItem(channel, record.id, record.length, true);
    item.timeStamp = timeStampText(record.timeStamp, timeHex);
    item.canFd = fdText(record.flags);
    if (!(record.id & CanRemoteFlag))
        item.data = dataText(record.data, std::min<int>(record.length, 64));
    setFacts(item.facts, record.id, record.length, record.data, 64, true, record.flags == 1);
    setReceivedTime(item.facts, record.timeStamp);
    return item;
}

ModelItem formatTxFrame(uint32_t channel, const CanTxRecord &record)
{
    ModelItem item = baseItem(channel, record.id, record.length, false);
    item.timeStamp = texts().none;
    item.canFd = texts().can;
    item.data = dataText(record.data, payloadCount(record.id, record.length, 8));
    setFacts(item.facts, record.id, record.length, record.data, 8, false, false);
    item.facts.timeUs = hostMicroseconds();
    return item;
}

ModelItem formatTxFdFrame(uint32_t channel, const CanFdTxRecord &record)
{
    ModelItem item = baseItem(channel, record.id, record.length, false);
    item.timeStamp = texts().none;
    item.canFd = fdText(record.flags);
    item.data = dataText(record.data, payloadCount(record.id, record.length, 64));
    setFacts(item.facts, record.id, record.length, record.data, 64, true, record.flags == 1);
    item.facts.timeUs = hostMicroseconds();
    return item;
}

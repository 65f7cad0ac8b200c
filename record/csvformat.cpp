#include "record/csvformat.h"

#include <QCoreApplication>
#include <QTime>

#include <algorithm>

namespace {

const QString &field(const QStringList &fields, int number)
{
    static const QString empty;
    return number >= 1 && number <= fields.size() ? fields.at(number - 1) : empty;
}

// The frame-type texts as the send thread writes them (its translations included).
QString sendThreadText(const char *text)
{
    return QCoreApplication::translate("sendThread", text);
}

bool isStandardFrameText(const QString &text)
{
    return text == sendThreadText("标准帧") || text == sendThreadText("標準幀") ||
           text == sendThreadText("Standard Frame");
}

bool isErrorFrameText(const QString &text)
{
    return text == QStringLiteral("错误帧") || text == QStringLiteral("錯誤幀") ||
           text == QLatin1String("Error Frame");
}

bool isDataFrameText(const QString &text)
{
    return text == sendThreadText("数据帧") || text == sendThreadText("數據幀") ||
           text == sendThreadText("data frame");
}

// The digits of text at [at, at + count) as a number, or -1.
int digitsAt(const QStringRef &text, int at, int count)
{
    int value = 0;
    for (int i = at; i < at + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// "hh:mm:ss.zzz" exactly as the recorder writes it, in milliseconds, or -1. Read by hand:
// QTime::fromString looks the time zone up (a stat of /etc/localtime) on every call,
// which made reading a recording back slower than a busy bus.
int recordedTimeMs(const QStringRef &text)
{
    if (text.size() != 12 || text.at(2) != QLatin1Char(':') || text.at(5) != QLatin1Char(':') ||
        text.at(8) != QLatin1Char('.'))
        return -1;
    const int h = digitsAt(text, 0, 2), m = digitsAt(text, 3, 2), sec = digitsAt(text, 6, 2);
    const int ms = digitsAt(text, 9, 3);
    if (h < 0 || h > 23 || m < 0 || m > 59 || sec < 0 || sec > 59 || ms < 0)
        return -1;
    return ((h * 60 + m) * 60 + sec) * 1000 + ms;
}

void readTime(const QString &text, CsvFrame &frame)
{
    const int fast = recordedTimeMs(text.midRef(2, 12));
    if (fast >= 0) {
        frame.timeValid = true;
        frame.timeOfDayMs = fast;
        return;
    }
    const QTime time = QTime::fromString(text.mid(2, 12), QStringLiteral("hh:mm:ss.zzz"));
    frame.timeValid = time.isValid();
    frame.timeOfDayMs = frame.timeValid ? time.msecsSinceStartOfDay() : 0;
}

void readData(const QString &text, CsvFrame &frame)
{
    const int capacity = frame.canFd ? 64 : 8;
    const QVector<QStringRef> parts = text.midRef(3).split(QLatin1Char(' '));
    const int count = std::min({int(frame.length), capacity, int(parts.size())});
    for (int i = 0; i < count; ++i)
        frame.data[i] = uint8_t(parts.at(i).toUInt(nullptr, 16));
}

} // namespace

QStringList frameColumnLabels(uint32_t language)
{
    static const QStringList labels[3] = {{"序号", "系统时间", "时间标识", "通道", "收/发", "ID",
                                           "Frame", "类型", "DLC", "CAN-FD", "数据"},
                                          {"序號", "系統時間", "時間標識", "通道", "收/發", "ID",
                                           "Frame", "類型", "DLC", "CAN-FD", "數據"},
                                          {"index", "system time", "time stamp", "channel", "Rx/Tx",
                                           "ID", "Frame", "type", "DLC", "CAN-FD", "data"}};
    return labels[std::min<uint32_t>(language, 2)];
}

QString csvHeaderLine(const QStringList &labels)
{
    return labels.join(QLatin1Char(',')) + QLatin1Char('\n');
}

void appendCsvRow(QString &out, const ModelItem &item)
{
    // Written straight into the reserved space: one size check per row instead of one
    // per field.
    const QString *fields[] = {&item.index,       &item.systemTime, &item.timeStamp,
                               &item.channelText, &item.direction,  &item.id,
                               &item.frame,       &item.type,       &item.dlc,
                               &item.canFd,       &item.data};
    int length = 16; // ,=" after the index, ", after the time, the other commas, "\n"
    for (const QString *text : fields)
        length += text->size();
    const int start = out.size();
    if (out.capacity() < start + length)
        out.reserve(std::max(start + length, out.capacity() * 2));
    out.resize(start + length);
    QChar *cursor = out.data() + start;
    const auto put = [&cursor](const QString &text) {
        std::copy_n(text.constData(), text.size(), cursor);
        cursor += text.size();
    };
    const auto putLatin1 = [&cursor](const char *text) {
        for (; *text; ++text)
            *cursor++ = QLatin1Char(*text);
    };
    put(item.index);
    putLatin1(",=\"");
    put(item.systemTime);
    putLatin1("\",");
    for (int field = 2; field < 10; ++field) {
        put(*fields[field]);
        *cursor++ = QLatin1Char(',');
    }
    put(item.data);
    *cursor++ = QLatin1Char('\n');
    out.resize(int(cursor - out.constData()));
}

QStringList splitCsvRow(const QString &line)
{
    int length = line.size();
    while (length > 0 &&
           (line.at(length - 1) == QLatin1Char('\n') || line.at(length - 1) == QLatin1Char('\r')))
        --length;
    if (length == 0)
        return QStringList();
    return line.left(length).split(QLatin1Char(','));
}

CsvFrame parseCsvFrame(const QStringList &fields)
{
    CsvFrame frame;
    readTime(field(fields, 2), frame);
    const QString &protocol = field(fields, 10);
    frame.canFd = protocol.contains(QLatin1String("CANFD"));
    frame.fdFlags = frame.canFd && protocol.contains(QLatin1Char('-')) ? 1 : 0;
    frame.id = field(fields, 6).midRef(2).toUInt(nullptr, 16) & 0x1FFFFFFFu;
    frame.extended = !isStandardFrameText(field(fields, 7));
    frame.errorFrame = isErrorFrameText(field(fields, 8));
    frame.remote = !frame.errorFrame && !isDataFrameText(field(fields, 8));
    frame.length = uint8_t(field(fields, 9).toInt(nullptr, 10));
    readData(field(fields, 11), frame);
    frame.channelField = field(fields, 4).toInt(nullptr, 10);
    return frame;
}

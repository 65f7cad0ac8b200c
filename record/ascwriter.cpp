#include "record/ascwriter.h"

#include "record/logtext.h"

#include <QDateTime>

#include <algorithm>

namespace {

void appendData(QByteArray &out, const LogFrame &frame, int count)
{
    for (int i = 0; i < count; ++i) {
        out.append(' ');
        logtext::appendHexByte(out, frame.data[i]);
    }
}

QByteArray idText(const LogFrame &frame)
{
    QByteArray id;
    logtext::appendHex(id, frame.id, 1);
    if (frame.extended)
        id.append('x');
    return id;
}

} // namespace

QByteArray AscWriter::dateText(int64_t timeUs)
{
    static const char *const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char *const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDateTime moment = QDateTime::fromMSecsSinceEpoch(timeUs / 1000, Qt::LocalTime);
    const QDate date = moment.date();
    const QTime time = moment.time();
    QByteArray text;
    text.append(days[date.dayOfWeek() - 1]).append(' ').append(months[date.month() - 1]);
    text.append(' ');
    logtext::appendDec(text, uint64_t(date.day()), 2);
    text.append(' ');
    const int hour12 = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    logtext::appendDec(text, uint64_t(hour12), 2);
    text.append(':');
    logtext::appendDec(text, uint64_t(time.minute()), 2);
    text.append(':');
    logtext::appendDec(text, uint64_t(time.second()), 2);
    text.append('.');
    logtext::appendDec(text, uint64_t(time.msec()), 3);
    text.append(time.hour() < 12 ? " am " : " pm ");
    logtext::appendDec(text, uint64_t(date.year()));
    return text;
}

void AscWriter::writeHeader(int64_t firstUs)
{
    // A log without a date gets today's; its times then count from this moment.
    const int64_t dateUs = absolute ? firstUs : QDateTime::currentMSecsSinceEpoch() * 1000;
    const int64_t dateMs = dateUs >= 0 ? dateUs / 1000 : 0;
    startUs = absolute ? dateMs * 1000 : 0;
    const QByteArray date = dateText(dateMs * 1000);
    out.append("date ").append(date).append('\n');
    out.append("base hex  timestamps absolute\n");
    out.append("internal events logged\n");
    out.append("// version 14.0.0\n");
    out.append("Begin Triggerblock ").append(date).append('\n');
    out.append("   0.000000 Start of measurement\n");
    headerWritten = true;
}

void AscWriter::append(const LogFrame &frame)
{
    if (!headerWritten)
        writeHeader(frame.timeUs);
    logtext::appendFixed(out, std::max<int64_t>(frame.timeUs - startUs, 0), 6, 11);
    out.append(' ');
    if (frame.fd && !frame.error)
        appendFd(frame);
    else
        appendClassic(frame);
    out.append('\n');
}

void AscWriter::appendClassic(const LogFrame &frame)
{
    logtext::appendDec(out, uint64_t(frame.channel) + 1);
    if (frame.error) {
        out.append("  ErrorFrame");
        return;
    }
    out.append("  ");
    logtext::appendPadded(out, idText(frame), 15, false);
    out.append(frame.tx ? " Tx   " : " Rx   ");
    const int length = std::min<int>(frame.length, 8);
    if (frame.remote) {
        out.append("r ");
        logtext::appendHex(out, uint32_t(length), 1);
        return;
    }
    out.append("d ");
    logtext::appendHex(out, uint32_t(length), 1);
    appendData(out, frame, length);
}

void AscWriter::appendFd(const LogFrame &frame)
{
    const int length = std::min<int>(frame.length, 64);
    out.append("CANFD ");
    QByteArray channel;
    logtext::appendDec(channel, uint64_t(frame.channel) + 1);
    logtext::appendPadded(out, channel, 3, true);
    out.append(frame.tx ? " Tx   " : " Rx   ");
    logtext::appendPadded(out, idText(frame), 8, true);
    out.append("                                   "); // no symbolic name
    out.append(frame.brs ? '1' : '0');
    out.append(' ');
    out.append(frame.esi ? '1' : '0');
    out.append(' ');
    logtext::appendHex(out, uint32_t(canFdDlcFromLength(length)), 1);
    out.append(' ');
    QByteArray count;
    logtext::appendDec(count, uint64_t(length));
    logtext::appendPadded(out, count, 2, true);
    appendData(out, frame, length);
    const uint32_t flags = 0x1000u | (frame.brs ? 0x2000u : 0) | (frame.esi ? 0x4000u : 0);
    out.append("        0    0 ");
    QByteArray flagText;
    logtext::appendHex(flagText, flags, 1);
    logtext::appendPadded(out, flagText, 8, true);
    out.append("        0        0        0        0        0");
}

bool AscWriter::finish()
{
    if (!headerWritten)
        writeHeader(QDateTime::currentMSecsSinceEpoch() * 1000);
    out.append("End TriggerBlock\n");
    return true;
}

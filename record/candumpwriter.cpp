#include "record/candumpwriter.h"

#include "record/logtext.h"

#include <algorithm>

namespace {
constexpr uint32_t ErrorFlag = 0x20000000u;
constexpr uint32_t BusError = 0x80u;
} // namespace

void CandumpWriter::append(const LogFrame &frame)
{
    if (frame.channel < interfaces.size()) {
        appendLine(out, frame, interfaces.at(frame.channel));
        return;
    }
    QByteArray name("can");
    logtext::appendDec(name, frame.channel);
    appendLine(out, frame, name);
}

void CandumpWriter::appendLine(QByteArray &out, const LogFrame &frame, const QByteArray &interface)
{
    out.append('(');
    int64_t time = frame.timeUs < 0 ? 0 : frame.timeUs;
    logtext::appendDec(out, uint64_t(time / 1000000), 10);
    out.append('.');
    logtext::appendDec(out, uint64_t(time % 1000000), 6);
    out.append(") ");
    out.append(interface);
    out.append(' ');
    if (frame.error) {
        const uint32_t errorClass = frame.id & 0x1FFFFFFFu;
        logtext::appendHex(out, ErrorFlag | (errorClass ? errorClass : BusError), 8);
    } else {
        logtext::appendHex(out, frame.id, frame.extended ? 8 : 3);
    }
    out.append('#');
    if (frame.remote && !frame.error) {
        out.append('R');
        if (frame.length > 0 && frame.length <= 8)
            out.append(char('0' + frame.length));
    } else {
        if (frame.fd && !frame.error) {
            out.append('#');
            out.append("0123"[(frame.brs ? 1 : 0) | (frame.esi ? 2 : 0)]);
        }
        const int count = std::min<int>(frame.length, maxFrameLength(frame.fd && !frame.error));
        for (int i = 0; i < count; ++i)
            logtext::appendHexByte(out, frame.data[i]);
    }
    if (frame.tx)
        out.append(" T");
    out.append('\n');
}

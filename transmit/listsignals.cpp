#include "transmit/listsignals.h"

#include "database/signalcodec.h"
#include "transmit/listsendrow.h"

#include <QStringList>

#include <cmath>

namespace {

// The physical range a signal wraps in: its minimum and maximum, or the range of raw values
// its width holds when the database gives none.
void rangeOf(const DbcSignal &s, double &low, double &high)
{
    if (s.maximum > s.minimum) {
        low = s.minimum;
        high = s.maximum;
        return;
    }
    const int bits = std::min(s.length, 52);
    const double rawLow = s.isSigned ? -std::ldexp(1.0, bits - 1) : 0;
    const double rawHigh = s.isSigned ? std::ldexp(1.0, bits - 1) - 1 : std::ldexp(1.0, bits) - 1;
    const double a = rawLow * s.factor + s.offset, b = rawHigh * s.factor + s.offset;
    low = std::min(a, b);
    high = std::max(a, b);
}

} // namespace

const DbcMessage *messageNamed(const DbcDatabase &database, const QString &name)
{
    for (const DbcMessage &m : database.messages) {
        if (m.name == name)
            return &m;
    }
    return nullptr;
}

void bindListRow(ListSendRow &row, const DbcMessage &message,
                 const std::vector<ListSignalValue> &values)
{
    row.boundMessage = message.name;
    row.signalValues = values;
    row.id = QString::number(message.id, 16).toUpper();
    row.extended = message.extended;
    row.remote = false;
    if (!message.canFd)
        row.kind = ListSendRow::Can;
    else if (row.kind == ListSendRow::Can)
        row.kind = ListSendRow::CanFd;
    row.length = message.length;
    const std::vector<uint8_t> payload = encodeListSignals(message, values);
    QStringList bytes;
    for (const uint8_t b : payload)
        bytes << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    row.data = bytes.join(QLatin1Char(' '));
    if (message.cycleTimeMs > 0)
        row.periodMs = message.cycleTimeMs;
}

std::vector<uint8_t> encodeListSignals(const DbcMessage &message,
                                       const std::vector<ListSignalValue> &values)
{
    std::vector<double> physical(message.signalList.size(), NAN);
    for (const ListSignalValue &v : values) {
        const int index = message.signalIndex(v.name);
        if (index >= 0)
            physical[size_t(index)] = v.value;
    }
    return SignalCodec::encode(message, physical);
}

ListSignalStepper::ListSignalStepper(const DbcMessage &message,
                                     const std::vector<ListSignalValue> &values)
{
    for (const ListSignalValue &v : values) {
        const int index = message.signalIndex(v.name);
        if (index < 0 || v.mode == ListSignalValue::Fixed)
            continue;
        Moving m{message.signalList[size_t(index)], v.mode, v.value, v.step, 0, 0};
        if (v.mode == ListSignalValue::Counter)
            m.step = m.signal.factor != 0 ? std::abs(m.signal.factor) : 1;
        rangeOf(m.signal, m.low, m.high);
        moving.push_back(m);
    }
}

double ListSignalStepper::wrap(double value, double low, double high, double period)
{
    if (value <= high || period <= 0)
        return value;
    return low + std::fmod(value - low, period);
}

void ListSignalStepper::apply(int64_t send, uint8_t *data, int size) const
{
    for (const Moving &m : moving) {
        // A counter wraps after its last value (period = range + one step); a ramp wraps
        // exactly at its range.
        const double span = m.high - m.low;
        const double period = m.mode == ListSignalValue::Counter ? span + m.step : span;
        const double value = wrap(m.start + double(send) * m.step, m.low, m.high, period);
        SignalCodec::insert(m.signal, SignalCodec::bitsForPhysical(m.signal, value), data, size);
    }
}

#include "signalcodec.h"

#include <cmath>
#include <cstring>

namespace {

using Wide = unsigned __int128;

Wide readLittle(const uint8_t *bytes, int count)
{
    Wide v = 0;
    for (int k = count - 1; k >= 0; --k)
        v = (v << 8) | bytes[k];
    return v;
}

Wide readBig(const uint8_t *bytes, int count)
{
    Wide v = 0;
    for (int k = 0; k < count; ++k)
        v = (v << 8) | bytes[k];
    return v;
}

} // namespace

bool SignalCodec::extract(const DbcSignal &signal, const uint8_t *data, int size, uint64_t &bits)
{
    const DbcBitLayout &l = signal.layout;
    if (l.firstByte + l.byteCount > size)
        return false;
    const uint8_t *bytes = data + l.firstByte;
    const Wide v = signal.motorola ? readBig(bytes, l.byteCount) : readLittle(bytes, l.byteCount);
    bits = uint64_t(v >> l.shift) & l.mask;
    return true;
}

bool SignalCodec::insert(const DbcSignal &signal, uint64_t bits, uint8_t *data, int size)
{
    const DbcBitLayout &l = signal.layout;
    if (l.firstByte + l.byteCount > size)
        return false;
    uint8_t *bytes = data + l.firstByte;
    Wide v = signal.motorola ? readBig(bytes, l.byteCount) : readLittle(bytes, l.byteCount);
    const Wide field = Wide(l.mask) << l.shift;
    v = (v & ~field) | (Wide(bits & l.mask) << l.shift);
    for (int k = 0; k < l.byteCount; ++k) {
        const uint8_t byte = uint8_t(v >> (8 * k));
        bytes[signal.motorola ? l.byteCount - 1 - k : k] = byte;
    }
    return true;
}

int64_t SignalCodec::rawValue(const DbcSignal &signal, uint64_t bits)
{
    if (signal.isSigned && signal.length < 64 && (bits >> (signal.length - 1)) & 1)
        bits |= ~signal.layout.mask;
    return int64_t(bits);
}

double SignalCodec::physicalValue(const DbcSignal &signal, uint64_t bits)
{
    double value;
    if (signal.valueType == DbcValueType::Float) {
        float f;
        const uint32_t b = uint32_t(bits);
        std::memcpy(&f, &b, sizeof f);
        value = f;
    } else if (signal.valueType == DbcValueType::Double) {
        std::memcpy(&value, &bits, sizeof value);
    } else if (signal.isSigned) {
        value = double(rawValue(signal, bits));
    } else {
        value = double(bits);
    }
    return value * signal.factor + signal.offset;
}

uint64_t SignalCodec::bitsForRaw(const DbcSignal &signal, int64_t raw)
{
    if (signal.length < 64) {
        const int64_t high =
            signal.isSigned ? (int64_t(1) << (signal.length - 1)) - 1 : int64_t(signal.layout.mask);
        const int64_t low = signal.isSigned ? -(int64_t(1) << (signal.length - 1)) : 0;
        raw = raw < low ? low : raw > high ? high : raw;
    } else if (!signal.isSigned && raw < 0) {
        raw = 0;
    }
    return uint64_t(raw) & signal.layout.mask;
}

uint64_t SignalCodec::bitsForPhysical(const DbcSignal &signal, double physical)
{
    const double scaled = signal.factor != 0 ? (physical - signal.offset) / signal.factor : 0;
    if (signal.valueType == DbcValueType::Float) {
        const float f = float(scaled);
        uint32_t b;
        std::memcpy(&b, &f, sizeof b);
        return b;
    }
    if (signal.valueType == DbcValueType::Double) {
        uint64_t b;
        std::memcpy(&b, &scaled, sizeof b);
        return b;
    }
    const double rounded = std::nearbyint(scaled);
    if (!signal.isSigned && signal.length == 64 && rounded >= 9.2e18)
        return rounded >= 1.8446744073709552e19 ? ~uint64_t(0) : uint64_t(rounded);
    if (!(rounded == rounded)) // NaN
        return 0;
    const int64_t raw = rounded >= 9.2e18    ? INT64_MAX
                        : rounded <= -9.2e18 ? INT64_MIN
                                             : int64_t(rounded);
    return bitsForRaw(signal, raw);
}

bool SignalCodec::selected(const DbcSignal &signal, uint64_t muxBits)
{
    for (const DbcMuxRange &range : signal.muxRanges) {
        if (muxBits >= range.low && muxBits <= range.high)
            return true;
    }
    return false;
}

void SignalCodec::decode(const DbcMessage &message, const uint8_t *data, int size,
                         DecodedFrame &out)
{
    out.message = &message;
    out.values.clear();
    out.missing = 0;
    out.shortFrame = size < message.length;
    out.unselectedMux = false;
    // Multiplexors are decoded before what they select; a signal's multiplexor is present
    // when its position in values is known.
    const size_t count = message.signalList.size();
    constexpr size_t kStack = 64;
    int stackSlots[kStack];
    std::vector<int> heapSlots;
    int *slot = stackSlots;
    if (count > kStack) {
        heapSlots.resize(count);
        slot = heapSlots.data();
    }
    bool anyMux = false;
    for (const int i : message.decodeOrder) {
        const DbcSignal &signal = message.signalList[size_t(i)];
        slot[i] = -1;
        if (signal.multiplexor >= 0) {
            anyMux = true;
            const int parent = slot[signal.multiplexor];
            if (parent < 0 || !selected(signal, out.values[size_t(parent)].bits))
                continue;
        }
        uint64_t bits = 0;
        if (!extract(signal, data, size, bits)) {
            ++out.missing;
            continue;
        }
        slot[i] = int(out.values.size());
        out.values.push_back({i, bits, rawValue(signal, bits), physicalValue(signal, bits)});
    }
    if (!anyMux)
        return;
    // A decoded multiplexor with signals of its own of which none was selected.
    for (const DecodedSignal &value : out.values) {
        const DbcSignal &mux = message.signalList[size_t(value.index)];
        if (!mux.isMultiplexor)
            continue;
        bool hasGroup = false, chosen = false;
        for (const int i : message.decodeOrder) {
            const DbcSignal &signal = message.signalList[size_t(i)];
            if (signal.multiplexor == value.index) {
                hasGroup = true;
                chosen = chosen || selected(signal, value.bits);
            }
        }
        if (hasGroup && !chosen)
            out.unselectedMux = true;
    }
}

std::vector<uint8_t> SignalCodec::encode(const DbcMessage &message,
                                         const std::vector<double> &physical)
{
    std::vector<uint8_t> payload(size_t(message.length), 0);
    const size_t count = message.signalList.size();
    std::vector<bool> written(count, false);
    std::vector<uint64_t> bitsOf(count, 0);
    for (const int i : message.decodeOrder) {
        const DbcSignal &signal = message.signalList[size_t(i)];
        if (signal.multiplexor >= 0 && (!written[size_t(signal.multiplexor)] ||
                                        !selected(signal, bitsOf[size_t(signal.multiplexor)])))
            continue;
        const double given = size_t(i) < physical.size() ? physical[size_t(i)] : NAN;
        const uint64_t bits = std::isnan(given) ? bitsForRaw(signal, int64_t(signal.startValue))
                                                : bitsForPhysical(signal, given);
        if (insert(signal, bits, payload.data(), int(payload.size()))) {
            written[size_t(i)] = true;
            bitsOf[size_t(i)] = bits & signal.layout.mask;
        }
    }
    return payload;
}

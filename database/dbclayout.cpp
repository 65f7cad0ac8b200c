#include "dbclayout.h"

namespace dbclayout {

bool compute(DbcSignal &signal)
{
    const int start = signal.startBit;
    const int length = signal.length;
    if (start < 0 || start > 511 || length < 1 || length > 64)
        return false;
    DbcBitLayout &layout = signal.layout;
    layout.mask = length == 64 ? ~uint64_t(0) : (uint64_t(1) << length) - 1;
    if (signal.motorola) {
        // Bits counted from the first byte's most significant bit.
        const int msb = (start / 8) * 8 + 7 - start % 8;
        const int lsb = msb + length - 1;
        if (lsb > 511)
            return false;
        layout.firstByte = msb / 8;
        layout.byteCount = lsb / 8 - msb / 8 + 1;
        layout.shift = 7 - lsb % 8;
    } else {
        if (start + length > 512)
            return false;
        layout.firstByte = start / 8;
        layout.shift = start % 8;
        layout.byteCount = (layout.shift + length + 7) / 8;
    }
    return true;
}

void resolveMultiplexing(DbcMessage &message)
{
    std::vector<DbcSignal> &list = message.signalList;
    int plain = -1;
    for (size_t i = 0; i < list.size() && plain < 0; ++i) {
        if (list[i].isMultiplexor && list[i].multiplexor == -1)
            plain = int(i);
    }
    for (DbcSignal &signal : list) {
        if (signal.multiplexor == kPlainMultiplexor)
            signal.multiplexor = plain;
    }
    // Repeated passes: a signal joins the order once its multiplexor is in it.
    std::vector<bool> placed(list.size(), false);
    message.decodeOrder.clear();
    bool progress = true;
    while (progress) {
        progress = false;
        for (size_t i = 0; i < list.size(); ++i) {
            const DbcSignal &signal = list[i];
            if (placed[i])
                continue;
            const bool unselected = signal.multiplexor < 0 && !signal.muxRanges.empty();
            if (unselected)
                continue;
            if (signal.multiplexor < 0 || placed[size_t(signal.multiplexor)]) {
                placed[i] = true;
                message.decodeOrder.push_back(int(i));
                progress = true;
            }
        }
    }
}

} // namespace dbclayout

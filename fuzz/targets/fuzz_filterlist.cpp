// The stored acceptance filter list: a list is either refused whole or every range it gives
// is one the device can take (mode 0 or 1, 1-8 hexadecimal digits each end).

#include "device/filterlist.h"
#include "fuzzutil.h"

namespace {

bool isHex(const QString &text)
{
    bool ok = false;
    text.toUInt(&ok, 16);
    return ok && !text.isEmpty() && text.size() <= 8;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzutil::homeDir();
    QVector<FilterRange> ranges;
    if (!parseFilterList(fuzzutil::text(data, size), &ranges)) {
        if (!ranges.isEmpty())
            __builtin_trap();
        return 0;
    }
    for (const FilterRange &range : ranges) {
        if (range.mode > 1 || !isHex(range.start) || !isHex(range.end))
            __builtin_trap();
    }
    return 0;
}

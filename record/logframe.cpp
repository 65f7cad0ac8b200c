#include "record/logframe.h"

namespace {
const uint8_t fdLengths[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 12, 16, 20, 24, 32, 48, 64};
}

bool operator==(const LogFrame &a, const LogFrame &b)
{
    const int bytes = a.remote ? 0 : a.length;
    return a.timeUs == b.timeUs && a.channel == b.channel && a.tx == b.tx &&
           a.extended == b.extended && a.remote == b.remote && a.error == b.error && a.fd == b.fd &&
           a.brs == b.brs && a.esi == b.esi && a.length == b.length && a.id == b.id &&
           std::memcmp(a.data, b.data, size_t(bytes)) == 0;
}

int canFdLengthFromDlc(int dlc)
{
    return dlc >= 0 && dlc < 16 ? fdLengths[dlc] : 64;
}

int canFdDlcFromLength(int length)
{
    for (int dlc = 0; dlc < 16; ++dlc)
        if (fdLengths[dlc] >= length)
            return dlc;
    return 15;
}

bool isCanFdLength(int length)
{
    for (uint8_t value : fdLengths)
        if (value == length)
            return true;
    return false;
}

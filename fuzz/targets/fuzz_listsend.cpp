// The send-list JSON file: a list is either refused whole with a reason, or every row it
// gives passes the row checks.

#include "fuzzutil.h"
#include "transmit/listsendfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzutil::homeDir();
    const auto read =
        ListSendFile::fromJson(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    if (!read.error.isEmpty()) {
        if (!read.rows.isEmpty())
            __builtin_trap();
        return 0;
    }
    for (const ListSendRow &row : read.rows) {
        if (!row.problem().isEmpty())
            __builtin_trap();
        row.frame();
    }
    return 0;
}

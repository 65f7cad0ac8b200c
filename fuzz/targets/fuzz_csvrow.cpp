// The CSV row reader used by file send: any line splits and parses without reading past its
// fields, and the parsed frame always fits the records it is sent in.

#include "fuzzutil.h"
#include "record/csvformat.h"
#include "record/csvframereader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString home = fuzzutil::homeDir();
    const QStringList fields = splitCsvRow(fuzzutil::text(data, size));
    const CsvFrame frame = parseCsvFrame(fields);
    if ((frame.id & ~0x1FFFFFFFu) != 0)
        __builtin_trap();

    // The same bytes as a whole file through the replay reader.
    const QString path = home + "/replay.csv";
    fuzzutil::writeFile(path, data, size);
    CsvFrameReader reader;
    if (reader.open(path)) {
        QStringList row;
        int rows = 0;
        while (reader.readRow(row) && rows++ < 100000)
            (void)parseCsvFrame(row);
    }
    return 0;
}

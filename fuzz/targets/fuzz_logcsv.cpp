// The CSV frame file read as a log: frames that fit a bus, no reads past the data, no
// endless loop, whatever the rows hold.

#include "fuzzlogreader.h"
#include "record/csvlogreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzutil::readWholeLog<CsvLogReader>(data, size, "fuzz.csv");
}

// The BLF log reader on any file: frames that fit a bus, no reads past the data, no
// endless loop.

#include "fuzzlogreader.h"
#include "record/blfreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    return fuzzutil::readWholeLog<BlfReader>(data, size, "fuzz.blf");
}

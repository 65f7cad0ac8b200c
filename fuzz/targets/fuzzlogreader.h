#pragma once

// Shared body of the log-reader fuzz targets: the bytes as a whole file through one reader.
// Every frame it returns must be one a bus can hold, seeking back to a frame returned
// earlier must read it again, and a damaged file must end instead of looping.

#include "fuzzutil.h"
#include "record/logreader.h"

namespace fuzzutil {

template <typename Reader> int readWholeLog(const uint8_t *data, size_t size, const char *name)
{
    const QString path = homeDir() + "/" + name;
    writeFile(path, data, size);
    Reader reader;
    if (!reader.open(path))
        return 0;
    LogFrame frame;
    uint64_t firstPosition = 0;
    qint64 frames = 0;
    while (reader.next(frame) && frames < 1000000) {
        if (frame.length > maxFrameLength(frame.fd) || frame.id > 0x1FFFFFFFu)
            __builtin_trap();
        if (frames++ == 0)
            firstPosition = reader.position();
    }
    if (frames > 0 && reader.seek(firstPosition)) {
        LogFrame again;
        if (!reader.next(again))
            __builtin_trap();
    }
    return 0;
}

} // namespace fuzzutil

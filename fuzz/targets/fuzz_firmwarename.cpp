// The firmware file-name scan: any set of names picks either one of them or the built-in
// image, never an older version than the built-in one.

#include "device/firmwarescan.h"
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzutil::homeDir();
    const QStringList names = fuzzutil::text(data, size).split(QLatin1Char('\n'));
    for (const QString &name : names)
        (void)firmwareVersionFromName(name);
    const FirmwareCandidate picked = pickFirmwareImage(names);
    const FirmwareCandidate builtIn = builtInFirmwareCandidate();
    if (picked.version < builtIn.version)
        __builtin_trap();
    if (picked.fileName != builtIn.fileName && !names.contains(picked.fileName))
        __builtin_trap();
    return 0;
}

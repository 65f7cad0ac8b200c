// The settings line: whatever the file holds, loading never crashes, and what a load
// accepted survives a save and a second load unchanged.

#include "fuzzutil.h"
#include "settings/settingsstore.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString home = fuzzutil::homeDir();
    const QString path = home + "/config/setdb.txt";
    QFile::remove(path + ".bad");
    fuzzutil::writeFile(path, data, size);
    loadSettings(path);
    const QString language = readSetting("Language", "CN.qm");
    const QString merge = readSetting("merge", "0");
    writeSetting("fuzz,key;", "v,a;l\\ue", true); // separators in key and value are escaped

    loadSettings(path);
    if (readSetting("Language", "?") != language || readSetting("merge", "?") != merge ||
        readSetting("fuzz,key;", "?") != "v,a;l\\ue")
        __builtin_trap();
    return 0;
}

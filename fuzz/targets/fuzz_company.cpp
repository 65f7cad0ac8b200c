// The company line of config/company.txt: any content gives some text for every language.

#include "fuzzutil.h"
#include "settings/settingsstore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString home = fuzzutil::homeDir();
    fuzzutil::writeFile(home + "/config/company.txt", data, size);
    for (unsigned index = 0; index < 4; ++index)
        (void)companyName(index);
    fuzzutil::writeFile(home + "/language/config.ini", data, size);
    (void)showBuildInfo();
    return 0;
}

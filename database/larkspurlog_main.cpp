// larkspur-log: log tools on the command line (decode with a DBC). Messages follow the
// locale: simplified or traditional Chinese for zh_CN / zh_TW and zh_HK, else English.

#include "database/logdecode.h"
#include "settings/settingsstore.h"

#include <QCoreApplication>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray lang = qgetenv("LC_ALL").isEmpty() ? qgetenv("LANG") : qgetenv("LC_ALL");
    setLanguageIndex(lang.startsWith("zh_CN")                               ? 0
                     : lang.startsWith("zh_TW") || lang.startsWith("zh_HK") ? 1
                                                                            : 2);
    return runLogDecode(app.arguments().mid(1), stdout, stderr);
}

#include "settings/resourcepaths.h"

#include <QCoreApplication>

QString appBaseDir()
{
    const QString home = qEnvironmentVariable("LARKSPUR_HOME");
    if (!home.isEmpty())
        return home;
    return QCoreApplication::applicationDirPath();
}

QString appFilePath(const QString &relative)
{
    return appBaseDir() + relative;
}

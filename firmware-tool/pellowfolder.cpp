#include "pellowfolder.h"

#include <QFileInfo>
#include <QStandardPaths>

QString PellowFolder::choose(const QString &exeDir, const QString &userDataDir)
{
    if (isInstalled(exeDir) || !QFileInfo(exeDir).isWritable())
        return userDataDir;
    return exeDir;
}

QString PellowFolder::userDataDir()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/pellow");
}

bool PellowFolder::isInstalled(const QString &exeDir)
{
    return QFileInfo(exeDir + QStringLiteral("/../share/applications/pellow.desktop")).isFile();
}

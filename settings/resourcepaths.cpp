#include "settings/resourcepaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool isFolder(const QString &path)
{
    return QFileInfo(path).isDir();
}

// bin/larkspur with share/larkspur/ beside bin/ and no language/ beside the executable.
QString installedShareFolder(const QString &exeDir)
{
    if (isFolder(exeDir + QStringLiteral("/language")))
        return QString();
    const QString share = QDir::cleanPath(exeDir + QStringLiteral("/../share/larkspur"));
    return isFolder(share) ? share : QString();
}

} // namespace

AppFolders resolveAppFolders(const QString &exeDir, const QString &userDataDir)
{
    const QString share = installedShareFolder(exeDir);
    if (!share.isEmpty())
        return {share, userDataDir};
    const bool writable = QFileInfo(exeDir).isWritable();
    return {exeDir, writable ? exeDir : userDataDir};
}

AppFolders appFolders()
{
    const QString home = qEnvironmentVariable("LARKSPUR_HOME");
    if (!home.isEmpty())
        return {home, home};
    return resolveAppFolders(QCoreApplication::applicationDirPath(), userDataFolder());
}

QString userDataFolder()
{
    // The same folder as QStandardPaths::AppDataLocation for a program named "larkspur"
    // without an organisation, whatever name the running executable has.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/larkspur");
}

QString appBaseDir()
{
    return appFolders().writable;
}

QString appFilePath(const QString &relative)
{
    return appBaseDir() + relative;
}

QString appShippedPath(const QString &relative)
{
    return appFolders().shipped + relative;
}

QString appUserOrShippedPath(const QString &relative)
{
    const AppFolders folders = appFolders();
    const QString own = folders.writable + relative;
    return QFileInfo::exists(own) ? own : folders.shipped + relative;
}

QStringList appFolderChain(const QString &relative)
{
    const AppFolders folders = appFolders();
    QStringList chain{folders.writable + relative};
    if (folders.shipped != folders.writable)
        chain << folders.shipped + relative;
    return chain;
}

bool prepareWritableFolder()
{
    const AppFolders folders = appFolders();
    if (folders.writable == folders.shipped)
        return true;
    QDir dir;
    return dir.mkpath(folders.writable + QStringLiteral("/config")) &&
           dir.mkpath(folders.writable + QStringLiteral("/firmware"));
}

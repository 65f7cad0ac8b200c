#include "device/firmwarescan.h"

#include "settings/resourcepaths.h"

#include <QDir>
#include <QFileInfo>

FirmwareCandidate builtInFirmwareCandidate()
{
    return {QStringLiteral("firmware.bin"), 0x211};
}

uint16_t firmwareVersionFromName(const QString &fileName)
{
    const QStringList parts = fileName.split(QLatin1Char('-'));
    if (parts.size() != 3)
        return 0;
    QString middle = parts.at(1);
    if (!middle.startsWith(QLatin1Char('V')) && !middle.startsWith(QLatin1Char('v')))
        return 0;
    middle.remove(QLatin1Char('V')).remove(QLatin1Char('v')).remove(QLatin1Char('.'));
    bool ok = false;
    const ushort version = middle.toUShort(&ok, 16);
    return ok ? version : 0;
}

FirmwareCandidate pickFirmwareImage(const QStringList &fileNames)
{
    FirmwareCandidate best = builtInFirmwareCandidate();
    for (const QString &name : fileNames) {
        const uint16_t version = firmwareVersionFromName(name);
        if (version > best.version)
            best = {name, version};
    }
    return best;
}

QStringList firmwareFileNames(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.bin")}, QDir::Files, QDir::Name);
}

QString firmwareFolder()
{
    return appFilePath(QStringLiteral("/firmware"));
}

QStringList firmwareFolders()
{
    return appFolderChain(QStringLiteral("/firmware"));
}

QStringList firmwareFileNamesIn(const QStringList &folders)
{
    QStringList names;
    for (const QString &folder : folders) {
        for (const QString &name : firmwareFileNames(folder)) {
            if (!names.contains(name))
                names << name;
        }
    }
    return names;
}

QString firmwareImagePath(const QStringList &folders, const QString &fileName)
{
    for (const QString &folder : folders) {
        const QString path = folder + QLatin1Char('/') + fileName;
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

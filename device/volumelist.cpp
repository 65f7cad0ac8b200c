#include "device/volumelist.h"

#include "device/sim/simulatedadapter.h"

#include <QDir>
#include <QStorageInfo>

namespace {

QList<MountedVolume> platformVolumes()
{
    QList<MountedVolume> volumes;
    const QList<QStorageInfo> storages = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &storage : storages) {
        if (storage.isValid() && storage.isReady())
            volumes.append({storage.name(), storage.rootPath()});
    }
    return volumes;
}

QList<MountedVolume> simulatedVolumes()
{
    QList<MountedVolume> volumes;
    const QString root = simulatedVolumesRoot();
    if (root.isEmpty())
        return volumes;
    const QDir dir(root);
    const QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        volumes.append({name, dir.filePath(name)});
    return volumes;
}

} // namespace

QList<MountedVolume> mountedVolumes()
{
    return platformVolumes() + simulatedVolumes();
}

QStringList volumeRootsNamed(const QString &namePart)
{
    QStringList roots;
    const QList<MountedVolume> volumes = mountedVolumes();
    for (const MountedVolume &volume : volumes) {
        if (volume.name.contains(namePart))
            roots.append(volume.rootPath);
    }
    return roots;
}

QString updateVolumeName()
{
    return QStringLiteral("CRP DISABLD");
}

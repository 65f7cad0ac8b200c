#pragma once

// Mounted volumes as the firmware upgrade sees them: the platform's mounted volumes plus
// the volumes the simulated adapter presents (each folder under simulatedVolumesRoot()).

#include <QList>
#include <QString>
#include <QStringList>

struct MountedVolume
{
    QString name;     // volume label
    QString rootPath; // folder the volume is mounted at
};

QList<MountedVolume> mountedVolumes();

// Root paths of the mounted volumes whose name contains namePart.
QStringList volumeRootsNamed(const QString &namePart);

// The name of the volume a Ferrule-2X presents in update mode.
QString updateVolumeName();

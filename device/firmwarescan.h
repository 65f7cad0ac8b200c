#pragma once

// Firmware images shipped in the firmware folder: "*.bin" files whose name carries the
// image version as its middle "-"-separated part, for example "X-V2.30-Y.bin" (0x230).

#include <QString>
#include <QStringList>

#include <cstdint>

struct FirmwareCandidate
{
    QString fileName;
    uint16_t version = 0;
};

// The built-in candidate every image must beat: "firmware.bin", version 0x211.
FirmwareCandidate builtInFirmwareCandidate();

// Version carried by a file name, 0 when the name does not follow the naming rule.
uint16_t firmwareVersionFromName(const QString &fileName);

// The newest image among names (first one wins among equals), or the built-in candidate
// when none is newer.
FirmwareCandidate pickFirmwareImage(const QStringList &fileNames);

// Plain "*.bin" files of folder, sorted by name.
QStringList firmwareFileNames(const QString &folder);

// The firmware folder the user adds images to (beside the executable in a build tree).
QString firmwareFolder();
// Every folder searched for images, the user's first: firmwareFolder(), then the
// installed program's shipped firmware folder.
QStringList firmwareFolders();
// Plain "*.bin" files of the folders, in folder order, each name once.
QStringList firmwareFileNamesIn(const QStringList &folders);
// The file fileName in the first of folders that holds it; empty when none does.
QString firmwareImagePath(const QStringList &folders, const QString &fileName);

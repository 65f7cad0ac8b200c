#pragma once

// One frame as shown: its channel and direction and the eleven ready-formatted texts of
// its table row (which are also the eleven fields of a CSV line).

#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>

struct ModelItem
{
    uint32_t channel = 0; // 0 = channel 1, 1 = channel 2
    int32_t recv = 0;     // 1 received, 0 transmitted
    QString index;        // filled by the display refresh
    QString systemTime;   // filled by the display refresh, "hh:mm:ss.zzz"
    QString timeStamp;
    QString channelText;
    QString direction;
    QString id;
    QString frame;
    QString type;
    QString dlc;
    QString canFd;
    QString data;
};

Q_DECLARE_METATYPE(ModelItem)
Q_DECLARE_METATYPE(QList<ModelItem>)

// Registers "QList<ModelItem>" with the meta-type system (called once at start-up).
void registerModelItemTypes();

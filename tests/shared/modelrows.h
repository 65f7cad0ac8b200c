#pragma once

// Table rows as one text: the columns after the time stamp in the table's order, separated
// by '|'. The data column, which holds a '|' itself, comes last and takes the rest:
//
//     "1|Rx|0x123|Standard Frame|data frame|2|CAN|x| 01 02 "
//
// rowOf builds a row from such a text (channel and direction follow the channel and
// direction columns; a received row gets the time stamp 0x3E8, a sent one "无"), and
// columnsOf gives the text back, so a test states a whole row in one comparison.

#include "receive/modelitem.h"

#include <QStringList>

inline ModelItem rowOf(const QString &columns)
{
    const QStringList parts = columns.split(QLatin1Char('|'));
    ModelItem item;
    item.channelText = parts.value(0);
    item.direction = parts.value(1);
    item.id = parts.value(2);
    item.frame = parts.value(3);
    item.type = parts.value(4);
    item.dlc = parts.value(5);
    item.canFd = parts.value(6);
    item.data = parts.mid(7).join(QLatin1Char('|'));
    item.channel = uint32_t(qMax(0, item.channelText.toInt() - 1));
    item.recv = item.direction == QLatin1String("Rx") ? 1 : 0;
    item.timeStamp = item.recv ? QStringLiteral("0x3E8") : QStringLiteral("无");
    return item;
}

inline QString columnsOf(const ModelItem &item)
{
    return QStringList{item.channelText, item.direction, item.id,    item.frame,
                       item.type,        item.dlc,       item.canFd, item.data}
        .join(QLatin1Char('|'));
}

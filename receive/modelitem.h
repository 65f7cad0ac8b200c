#pragma once

// One frame as shown: its channel and direction, the eleven ready-formatted texts of its
// table row (which are also the eleven fields of a CSV line), and the frame itself as the
// device layer handed it over, for the statistics and the identifier monitor.

#include <QList>
#include <QMetaType>
#include <QString>

#include <cstdint>

// The frame behind a live record. Records made from texts (a CSV row read back) leave
// valid false.
struct FrameFacts
{
    bool valid = false;
    bool fd = false;
    bool bitRateSwitch = false;
    bool adapterTime = false; // timeUs is the adapter's time stamp, else the host's clock
    uint8_t length = 0;       // 0-8 classic, 0-64 CAN FD, as in the record
    uint32_t idWord = 0;      // the vendor identifier word (extended, remote, error flags)
    uint64_t timeUs = 0;      // received: adapter time stamp; sent: host steady clock
    uint8_t data[64];         // the first min(length, capacity) bytes are set

    int payloadBytes() const;
};

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
    FrameFacts facts;
};

Q_DECLARE_METATYPE(ModelItem)
Q_DECLARE_METATYPE(QList<ModelItem>)

// Registers "QList<ModelItem>" with the meta-type system (called once at start-up).
void registerModelItemTypes();

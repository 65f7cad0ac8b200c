#pragma once

// What the kernel reports about a SocketCAN interface: its kind (a CAN controller or a
// virtual vcan link) and, for a controller, its bit rates and control modes. Controller
// settings belong to the system (ip link set ...); the backend compares them with what
// the user asked for.

#include <QByteArray>
#include <QString>

#include <cstdint>

class SocketCanLink
{
public:
    // Runs "ip -json -details link show dev <name>"; false and a reason on failure.
    static bool query(const QString &name, SocketCanLink *link, QString *error);
    // Parses the JSON printed by ip; false when it holds no link.
    static bool parse(const QByteArray &json, SocketCanLink *link);
    // True while the interface exists.
    static bool exists(const QString &name);

    QString name;
    QString kind;             // "can", "vcan", ...
    uint32_t bitRate = 0;     // 0 when the kernel reports none
    uint32_t dataBitRate = 0; // 0 when CAN FD is off
    bool fd = false;
    bool nonIso = false;
    bool listenOnly = false;
    bool up = false;

    // A link without bit timing (vcan): rates and modes do not apply to it.
    bool isVirtual() const { return kind != QLatin1String("can"); }
};

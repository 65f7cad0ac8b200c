#include "device/serialbus/socketcanlink.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <net/if.h>

bool SocketCanLink::query(const QString &name, SocketCanLink *link, QString *error)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"),
             {QStringLiteral("-json"), QStringLiteral("-details"), QStringLiteral("link"),
              QStringLiteral("show"), QStringLiteral("dev"), name});
    if (!ip.waitForFinished(3000) || ip.exitStatus() != QProcess::NormalExit ||
        ip.exitCode() != 0) {
        ip.kill();
        *error = QStringLiteral("cannot read the settings of %1 (ip link show): %2")
                     .arg(name, QString::fromLocal8Bit(ip.readAllStandardError()).trimmed());
        return false;
    }
    if (!parse(ip.readAllStandardOutput(), link)) {
        *error = QStringLiteral("ip link show printed no link for %1").arg(name);
        return false;
    }
    return true;
}

bool SocketCanLink::parse(const QByteArray &json, SocketCanLink *link)
{
    const QJsonArray links = QJsonDocument::fromJson(json).array();
    if (links.isEmpty() || !links.first().isObject())
        return false;
    const QJsonObject object = links.first().toObject();
    const QJsonObject info = object.value(QLatin1String("linkinfo")).toObject();
    const QJsonObject data = info.value(QLatin1String("info_data")).toObject();
    const QJsonArray modes = data.value(QLatin1String("ctrlmode")).toArray();
    *link = SocketCanLink();
    link->name = object.value(QLatin1String("ifname")).toString();
    link->kind = info.value(QLatin1String("info_kind")).toString();
    link->up = object.value(QLatin1String("flags")).toArray().contains(QLatin1String("UP"));
    link->bitRate = uint32_t(data.value(QLatin1String("bittiming"))
                                 .toObject()
                                 .value(QLatin1String("bitrate"))
                                 .toDouble());
    link->dataBitRate = uint32_t(data.value(QLatin1String("data_bittiming"))
                                     .toObject()
                                     .value(QLatin1String("bitrate"))
                                     .toDouble());
    link->fd = modes.contains(QLatin1String("FD"));
    link->nonIso = modes.contains(QLatin1String("FD-NON-ISO"));
    link->listenOnly = modes.contains(QLatin1String("LISTEN-ONLY"));
    return true;
}

bool SocketCanLink::exists(const QString &name)
{
    return if_nametoindex(name.toLocal8Bit().constData()) != 0;
}

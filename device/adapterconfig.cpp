#include "device/adapterconfig.h"

#include "device/devicelayer.h"
#include "settings/resourcepaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTextStream>

#include <algorithm>

namespace {

const char DefaultIni[] = "; Adapter backend of Larkspur.\n"
                          "[Adapter]\n"
                          "; simulated: built-in Ferrule-2X simulator; serialbus: QtSerialBus\n"
                          "Backend=simulated\n"
                          "\n"
                          "[Simulator]\n"
                          "; traffic from simulated bus nodes on started channels\n"
                          "Traffic=1\n"
                          "; nodes: the messages of [Nodes] on the wire; flood: TrafficRate\n"
                          "; frames a second per channel beside the wire (stress tests only)\n"
                          "TrafficMode=nodes\n"
                          "TrafficRate=200\n"
                          "; flood: mixed, classic or fd\n"
                          "TrafficMix=mixed\n"
                          "Devices=1\n"
                          "Seed=1\n"
                          "FirmwareVersion=0x0211\n"
                          "UpdateDelayMs=1500\n"
                          "; 1: both channels on one wire; 2: each channel on a wire of its own\n"
                          "Wires=1\n"
                          "\n"
                          "[SerialBus]\n"
                          "Plugin=socketcan\n"
                          "Channel1=can0\n"
                          "Channel2=can1\n";

// The [Nodes] section with the default messages.
QByteArray defaultNodesSection()
{
    QByteArray text = "\n[Nodes]\n"
                      "; identifier std|ext length can|fd|brs period-ms jitter-ms\n"
                      "; counter|random|constant:<hex>\n";
    const QStringList lines = defaultSimNodeLines();
    for (int i = 0; i < lines.size(); ++i)
        text += QStringLiteral("Message%1=%2\n")
                    .arg(i + 1, 2, 10, QLatin1Char('0'))
                    .arg(lines[i])
                    .toLatin1();
    return text;
}

void writeDefaultsIfMissing(const QString &path)
{
    if (QFileInfo::exists(path))
        return;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(DefaultIni);
        file.write(defaultNodesSection());
        file.commit();
    }
}

// The lines of [Nodes] in key order; empty when the section is missing or empty.
QStringList readNodes(QSettings &ini)
{
    ini.beginGroup(QStringLiteral("Nodes"));
    QStringList keys = ini.childKeys();
    std::sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b; // Message9 before Message10
    });
    QStringList lines;
    for (const QString &key : keys) {
        const QVariant value = ini.value(key);
        // QSettings splits values at commas; the format has none, but keep what was written.
        lines << (value.type() == QVariant::StringList ? value.toStringList().join(QLatin1Char(','))
                                                       : value.toString());
    }
    ini.endGroup();
    QStringList errors;
    parseSimNodeLines(lines, &errors);
    for (const QString &error : errors)
        qWarning("adapter.ini [Nodes]: %s", qPrintable(error));
    return lines;
}

uint32_t numberFrom(const QString &text, uint32_t fallback)
{
    bool ok = false;
    const uint32_t value = text.trimmed().toUInt(&ok, 0);
    return ok ? value : fallback;
}

QString environmentOr(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name).trimmed();
    return value.isEmpty() ? fallback : value;
}

SimulatorConfig readSimulator(QSettings &ini, const QString &path)
{
    SimulatorConfig config;
    ini.beginGroup(QStringLiteral("Simulator"));
    const QString traffic =
        environmentOr("LARKSPUR_SIM_TRAFFIC", ini.value("Traffic", "1").toString());
    config.traffic = numberFrom(traffic, 1) != 0;
    const QString rate = environmentOr("LARKSPUR_SIM_RATE", ini.value("TrafficRate").toString());
    config.trafficRate = numberFrom(rate, config.trafficRate);
    const QString mode =
        environmentOr("LARKSPUR_SIM_MODE", ini.value("TrafficMode").toString()).toLower();
    config.trafficMode =
        mode == QLatin1String("flood") ? SimTrafficMode::Flood : SimTrafficMode::Nodes;
    config.trafficMix = simTrafficMixFromText(ini.value("TrafficMix").toString());
    config.presentDevices = numberFrom(ini.value("Devices").toString(), config.presentDevices);
    config.seed = numberFrom(ini.value("Seed").toString(), uint32_t(config.seed));
    config.firmwareVersion =
        uint16_t(numberFrom(ini.value("FirmwareVersion").toString(), config.firmwareVersion));
    config.updateDelayMs =
        int(numberFrom(ini.value("UpdateDelayMs").toString(), uint32_t(config.updateDelayMs)));
    config.separateWires = numberFrom(ini.value("Wires").toString(), 1) == 2;
    ini.endGroup();
    config.nodes = readNodes(ini);
    config.configPath = path;
    return config;
}

SerialBusConfig readSerialBus(QSettings &ini)
{
    SerialBusConfig config;
    ini.beginGroup(QStringLiteral("SerialBus"));
    config.plugin = ini.value("Plugin", "socketcan").toString();
    config.interfaces[0] = ini.value("Channel1", "can0").toString();
    config.interfaces[1] = ini.value("Channel2", "can1").toString();
    ini.endGroup();
    return config;
}

// Replaces (or adds) "key=value" inside [section] of the INI text, keeping every other line.
QStringList withKey(QStringList lines, const QString &section, const QString &key,
                    const QString &value)
{
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    int insertAt = -1;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            if (inSection)
                break;
            inSection = line.compare(header, Qt::CaseInsensitive) == 0;
            insertAt = inSection ? i + 1 : insertAt;
        } else if (inSection && line.section(QLatin1Char('='), 0, 0).trimmed() == key) {
            lines[i] = key + QLatin1Char('=') + value;
            return lines;
        } else if (inSection && !line.isEmpty()) {
            insertAt = i + 1;
        }
    }
    if (insertAt < 0) {
        lines << QString() << header;
        insertAt = lines.size();
    }
    lines.insert(insertAt, key + QLatin1Char('=') + value);
    return lines;
}

} // namespace

QString adapterConfigPath()
{
    return appFilePath(QStringLiteral("/config/adapter.ini"));
}

AdapterSettings loadAdapterSettings()
{
    const QString path = adapterConfigPath();
    writeDefaultsIfMissing(path);
    QSettings ini(path, QSettings::IniFormat);
    AdapterSettings settings;
    const QString backend = ini.value(QStringLiteral("Adapter/Backend"), "simulated").toString();
    settings.backend = environmentOr("LARKSPUR_ADAPTER", backend).toLower();
    settings.simulator = readSimulator(ini, path);
    settings.serialBus = readSerialBus(ini);
    return settings;
}

bool storeSimulatorFirmwareVersion(const QString &iniPath, uint16_t version)
{
    QFile in(iniPath);
    QString text;
    if (in.open(QIODevice::ReadOnly | QIODevice::Text))
        text = QString::fromUtf8(in.readAll());
    in.close();
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const QString hex = QStringLiteral("0x%1").arg(version, 4, 16, QLatin1Char('0'));
    lines = withKey(lines, QStringLiteral("Simulator"), QStringLiteral("FirmwareVersion"), hex);
    QSaveFile out(iniPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    out.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    return out.commit();
}

std::shared_ptr<VendorApi> createConfiguredBackend(QString *error)
{
    const AdapterSettings settings = loadAdapterSettings();
    if (settings.backend == QLatin1String("simulated"))
        return std::make_shared<SimulatedAdapter>(settings.simulator);
    if (settings.backend == QLatin1String("serialbus"))
        return createSerialBusBackend(settings.serialBus, error);
    if (error)
        *error = QStringLiteral("unknown adapter backend \"%1\"").arg(settings.backend);
    return nullptr;
}

std::shared_ptr<SimulatedAdapter> simulatedAdapter()
{
    return std::dynamic_pointer_cast<SimulatedAdapter>(vendorBackend());
}

#include "pellowconfig.h"

#include "simwexlib.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {
const QString AdapterKey = QStringLiteral("adapter/type");
const QString UpgradeKey = QStringLiteral("simulator/upgrade");
} // namespace

QString PellowConfig::iniPath(const QString &baseDir)
{
    return QDir(baseDir).filePath(QStringLiteral("config/pellow.ini"));
}

PellowConfig PellowConfig::load(const QString &baseDir)
{
    const QString path = iniPath(baseDir);
    if (!QFileInfo::exists(path))
        writeDefaults(path);
    QSettings ini(path, QSettings::IniFormat);
    PellowConfig config;
    const QString adapter =
        choice("PELLOW_ADAPTER", ini.value(AdapterKey, QStringLiteral("simulated")).toString());
    const QString upgrade =
        choice("PELLOW_SIM_UPGRADE", ini.value(UpgradeKey, QStringLiteral("ok")).toString());
    config.adapterPresent = adapter.compare(QLatin1String("absent"), Qt::CaseInsensitive) != 0;
    config.upgradeSucceeds = upgrade.compare(QLatin1String("fail"), Qt::CaseInsensitive) != 0;
    return config;
}

std::unique_ptr<Wexlib> PellowConfig::createLibrary() const
{
    auto sim = std::make_unique<SimWexlib>();
    sim->setPresent(adapterPresent);
    sim->setUpgradeSucceeds(upgradeSucceeds);
    return sim;
}

void PellowConfig::writeDefaults(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings ini(path, QSettings::IniFormat);
    ini.setValue(AdapterKey, QStringLiteral("simulated"));
    ini.setValue(UpgradeKey, QStringLiteral("ok"));
    ini.sync();
}

QString PellowConfig::choice(const char *envName, const QString &fileValue)
{
    const QString env = qEnvironmentVariable(envName).trimmed();
    return env.isEmpty() ? fileValue.trimmed() : env;
}

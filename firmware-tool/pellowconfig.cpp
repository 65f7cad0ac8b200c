#include "pellowconfig.h"

#include "simwexlib.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QTextStream>

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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << "; Adapter behind the firmware tool: simulated or absent\n"
           "; (the environment variable PELLOW_ADAPTER overrides it).\n"
           "[adapter]\ntype=simulated\n\n"
           "; Simulated switch into firmware-replacement mode: ok or fail\n"
           "; (the environment variable PELLOW_SIM_UPGRADE overrides it).\n"
           "[simulator]\nupgrade=ok\n";
    out.flush();
    file.commit();
}

QString PellowConfig::choice(const char *envName, const QString &fileValue)
{
    const QString env = qEnvironmentVariable(envName).trimmed();
    return env.isEmpty() ? fileValue.trimmed() : env;
}

#include "signaldatabases.h"

#include "settings/settingsstore.h"

#include <QFileInfo>

SignalDatabases::SignalDatabases(QObject *parent) : QObject(parent) {}

QString SignalDatabases::settingKey(int channel)
{
    return channel == 0 ? QStringLiteral("signalDatabase1") : QStringLiteral("signalDatabase2");
}

DbcReadError SignalDatabases::load(int channelMask, const QString &path)
{
    auto db = std::make_shared<DbcDatabase>();
    const DbcReadError error = DbcReader::readFile(path, *db);
    if (!error.ok())
        return error;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (int ch = 0; ch < 2; ++ch) {
        if (channelMask & (1 << ch)) {
            set(ch, db, absolute);
            writeSetting(settingKey(ch), absolute, false);
        }
    }
    saveSettings();
    emit changed();
    return error;
}

void SignalDatabases::unload(int channel)
{
    if (channel < 0 || channel > 1)
        return;
    set(channel, nullptr, QString());
    writeSetting(settingKey(channel), QString(), true);
    emit changed();
}

QStringList SignalDatabases::loadRemembered()
{
    QStringList log;
    std::shared_ptr<const DbcDatabase> shared;
    for (int ch = 0; ch < 2; ++ch) {
        const QString path = readSetting(settingKey(ch), QString());
        if (path.isEmpty())
            continue;
        // Both channels naming the same file share one loaded copy.
        if (ch == 1 && path == paths[0] && databases[0]) {
            set(1, databases[0], path);
            continue;
        }
        auto db = std::make_shared<DbcDatabase>();
        const DbcReadError error = DbcReader::readFile(path, *db);
        if (!error.ok()) {
            log << byLanguage("通道%1的信号数据库 %2 无法加载：%3",
                              "通道%1的訊號資料庫 %2 無法載入：%3",
                              "The signal database %2 of channel %1 does not load: %3")
                       .arg(ch + 1)
                       .arg(path, error.message());
            continue;
        }
        set(ch, db, path);
    }
    emit changed();
    return log;
}

std::shared_ptr<const DbcDatabase> SignalDatabases::database(int channel) const
{
    return channel == 0 || channel == 1 ? databases[channel] : nullptr;
}

QString SignalDatabases::path(int channel) const
{
    return channel == 0 || channel == 1 ? paths[channel] : QString();
}

void SignalDatabases::set(int channel, const std::shared_ptr<const DbcDatabase> &db,
                          const QString &path)
{
    databases[channel] = db;
    paths[channel] = path;
}

#pragma once

// The signal databases loaded for channel 1 and channel 2 (one file may serve both),
// remembered in the settings store ("signalDatabase1", "signalDatabase2") and loaded
// again at start. Used on the GUI thread only.

#include "database/dbcreader.h"

#include <QObject>
#include <QStringList>

#include <memory>

class SignalDatabases : public QObject
{
    Q_OBJECT
public:
    explicit SignalDatabases(QObject *parent = nullptr);

    // Loads path for the channels in mask (1 = channel 1, 2 = channel 2, 3 = both). A file
    // that does not load changes nothing and is returned as the error.
    DbcReadError load(int channelMask, const QString &path);
    void unload(int channel);
    // Loads the remembered files; one log line per file that no longer loads (its channel
    // keeps no database, its setting is kept for the next start).
    QStringList loadRemembered();

    std::shared_ptr<const DbcDatabase> database(int channel) const;
    QString path(int channel) const;

signals:
    void changed();

private:
    static QString settingKey(int channel);
    void set(int channel, const std::shared_ptr<const DbcDatabase> &db, const QString &path);

    std::shared_ptr<const DbcDatabase> databases[2];
    QString paths[2];
};

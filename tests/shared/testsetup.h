#pragma once

// Set-up shared by the test programs: a private home folder, and the device layer with
// both channels of its adapter running.

#include "device/devicelayer.h"
#include "settings/settingsstore.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <initializer_list>
#include <memory>

// A temporary folder that stands for the program's own folder: LARKSPUR_HOME points at
// it, the given sub-folders exist and the settings store reads config/setdb.txt there.
class TestHome
{
public:
    bool setUp(std::initializer_list<const char *> folders = {"config"})
    {
        if (!dir.isValid())
            return false;
        qputenv("LARKSPUR_HOME", dir.path().toUtf8());
        for (const char *folder : folders) {
            if (!QDir(dir.path()).mkpath(QString::fromUtf8(folder)))
                return false;
        }
        loadSettings(filePath(QStringLiteral("config/setdb.txt")));
        return true;
    }
    QString path() const { return dir.path(); }
    QString filePath(const QString &relative) const { return dir.filePath(relative); }

private:
    QTemporaryDir dir;
};

// Writes content to the file at path, replacing what was there; false unless all of it
// was written.
inline bool writeTestFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

// Asks a worker thread (receive or send) to stop, waits for it and deletes it; false when
// it did not end within 30 s.
template <typename Thread> bool stopThread(std::unique_ptr<Thread> &thread)
{
    thread->stop();
    const bool ended = thread->wait(30000);
    thread.reset();
    return ended;
}

// Opens the adapter behind the device layer and starts both channels as the open
// dialog does with the default parameters (ISO CAN FD, 500 kbit/s / 2 Mbit/s, normal
// mode). False at the first step that fails.
inline bool openBothChannels()
{
    if (!openDevice(FerruleDeviceType, 0, 0))
        return false;
    for (uint32_t ch = 0; ch < 2; ++ch) {
        if (!setCanFdStandard(ch, 0) || !setBaudRate(ch, 500000, 2000000) || !initCan(ch, 0) ||
            !startCan(ch))
            return false;
    }
    return true;
}

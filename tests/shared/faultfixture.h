#pragma once

// Shared set-up of the fault tests: a private LARKSPUR_HOME with fresh settings, a
// simulated adapter behind the device layer, a recording message sink, and helpers that
// open both channels and read back what the main window shows and records.

#include "app/mainwindow.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/testsetup.h"

#include <QDir>
#include <QFile>
#include <QTextEdit>

#include "tests/shared/virtualsimclock.h"
#include "tests/shared/windowparts.h"

#include <memory>

class FaultFixture
{
public:
    FaultFixture()
    {
        home.setUp();
        SimulatorConfig config;
        config.clock = clock;
        sim = std::make_shared<SimulatedAdapter>(config);
        faults = std::make_shared<FaultyAdapter>(sim);
        setVendorBackend(faults);
        resetDeviceState();
        setMessageSink([this](QWidget *, const DialogMessage &m) { messages << m; });
        setLanguageIndex(0);
        takePending();
        resetFrameIndex();
    }
    ~FaultFixture()
    {
        window.reset();
        closeDevice();
        setMessageSink({});
        setVendorBackend(nullptr);
        takePending();
    }
    FaultFixture(const FaultFixture &) = delete;
    FaultFixture &operator=(const FaultFixture &) = delete;

    QString path(const QString &relative) const { return home.path() + relative; }

    void writeFile(const QString &relative, const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(content);
    }

    MainWindow *open()
    {
        window = std::make_unique<MainWindow>();
        return window.get();
    }

    QString log() const { return window ? logTextOf(window.get())->toPlainText() : QString(); }

    TestHome home;
    std::shared_ptr<VirtualSimClock> clock = std::make_shared<VirtualSimClock>();
    std::shared_ptr<SimulatedAdapter> sim;
    std::shared_ptr<FaultyAdapter> faults; // the backend installed, sim behind it
    std::unique_ptr<MainWindow> window;
    QList<DialogMessage> messages;
};

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The frame lines of a recording (the header line left out).
inline QStringList recordedRows(const QString &path)
{
    QStringList lines = QString::fromUtf8(readAll(path)).split('\n', Qt::SkipEmptyParts);
    if (!lines.isEmpty())
        lines.removeFirst();
    return lines;
}

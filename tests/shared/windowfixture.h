#pragma once

// Shared set-up of the main window tests: a private LARKSPUR_HOME, a simulated adapter
// behind the device layer, a recording message sink and frame builders.

#include "app/mainwindow.h"
#include "device/devicelayer.h"
#include "device/dialognotifier.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "settings/settingsstore.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/modelrows.h"
#include "tests/shared/windowparts.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

class WindowFixture
{
public:
    WindowFixture()
    {
        qputenv("LARKSPUR_HOME", home.path().toUtf8());
        QDir(home.path()).mkpath(QStringLiteral("config"));
        QDir(home.path()).mkpath(QStringLiteral("language"));
        sim = std::make_shared<SimulatedAdapter>();
        faults = std::make_shared<FaultyAdapter>(sim);
        setVendorBackend(faults);
        resetDeviceState();
        setMessageSink([this](QWidget *, const DialogMessage &m) { messages << m; });
        setLanguageIndex(0);
        takePending();
    }
    ~WindowFixture()
    {
        window.reset();
        setMessageSink({});
        setVendorBackend(nullptr);
        takePending();
    }

    QString path(const QString &relative) const { return home.path() + relative; }

    void writeFile(const QString &relative, const QByteArray &content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(content);
    }

    // Copies the compiled translations of the build into this home.
    void installTranslations(const QStringList &names = {"CN.qm", "CNF.qm", "EN.qm"}) const
    {
        for (const QString &name : names)
            QFile::copy(QStringLiteral(LARKSPUR_LANGUAGE_DIR "/") + name,
                        path(QStringLiteral("/language/") + name));
    }

    MainWindow *open()
    {
        window = std::make_unique<MainWindow>();
        displayOf(window.get())->clearList();
        return window.get();
    }

    QTemporaryDir home;
    std::shared_ptr<SimulatedAdapter> sim;
    std::shared_ptr<FaultyAdapter> faults; // the backend installed, sim behind it
    std::unique_ptr<MainWindow> window;
    QList<DialogMessage> messages;
};

inline ModelItem makeFrame(uint32_t channel, bool received, uint32_t id)
{
    return rowOf(QStringLiteral("%1|%2|0x%3|Standard Frame|data frame|2|CAN|x| 01 02 ")
                     .arg(channel + 1)
                     .arg(received ? QStringLiteral("Rx") : QStringLiteral("Tx"))
                     .arg(QString::number(id, 16).toUpper()));
}

inline void feed(int count, uint32_t channel = 0, bool received = true, uint32_t firstId = 0x100)
{
    QList<ModelItem> batch;
    for (int i = 0; i < count; ++i)
        batch << makeFrame(channel, received, firstId + uint32_t(i));
    appendPending(std::move(batch));
}

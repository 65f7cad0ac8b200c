#include "bench/benchrig.h"

#include "app/mainwindow.h"
#include "bench/benchmetrics.h"
#include "device/channelstartup.h"
#include "device/devicelayer.h"
#include "receive/pendingframes.h"
#include "settings/resourcepaths.h"
#include "settings/settingsstore.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <thread>

BenchRig::BenchRig(const RigOptions &rigOptions) : options(rigOptions)
{
    options.simulator.traffic = false;
    options.simulator.trafficMode = SimTrafficMode::Flood; // the generator at a set rate
    simulator = std::make_shared<SimulatedAdapter>(options.simulator);
    setVendorBackend(simulator);
    storeOptions();
    mainWindow = std::make_unique<MainWindow>();
    mainWindow->applyValue(QString::number(options.listLimit), 2);
    mainWindow->show();
}

// The window reads the settings file when it is created and arms its first refresh
// from it, so the options go into the file first.
void BenchRig::storeOptions()
{
    loadSettings(appFilePath(QStringLiteral("/config/setdb.txt")));
    writeSetting(QStringLiteral("refreshInterval"), QString::number(options.refreshMs), false);
    writeSetting(QStringLiteral("listCount"), QString::number(options.listLimit), false);
    writeSetting(QStringLiteral("timeHex"), QStringLiteral("1"), false);
    writeSetting(QStringLiteral("merge"), options.merge ? QStringLiteral("1") : QStringLiteral("0"),
                 false);
    writeSetting(QStringLiteral("recvIDAdd"), QStringLiteral("0"), true);
}

BenchRig::~BenchRig()
{
    simulator->setTrafficEnabled(false);
    mainWindow.reset();
}

bool BenchRig::open()
{
    if (!openDevice(FerruleDeviceType, 0, 0))
        return false;
    // As the open-device dialog does: the one-second presence watch reads this summary.
    queryDeviceInfo();
    const StartupResult result = startChannels(3);
    if (!result.failure.isEmpty() || !result.started[0] || !result.started[1])
        return false;
    mainWindow->applyOpenedChannels(result.started);
    return true;
}

void BenchRig::startTraffic()
{
    simulator->setTrafficRate(options.simulator.trafficRate);
    // The generator thread takes the name of the thread that starts it.
    std::thread starter([this] {
        nameCurrentThread("simbus");
        simulator->setTrafficEnabled(true);
    });
    starter.join();
}

void BenchRig::stopTraffic()
{
    simulator->setTrafficEnabled(false);
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // a running pump ends
}

uint64_t BenchRig::generated() const
{
    return simulator->generatedFrames(0) + simulator->generatedFrames(1);
}

uint64_t BenchRig::adapterDropped() const
{
    return simulator->droppedFrames(0) + simulator->droppedFrames(1);
}

uint64_t BenchRig::adapterQueued() const
{
    return simulator->queuedFrames(0) + simulator->queuedFrames(1);
}

bool BenchRig::drain(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        const bool empty = adapterQueued() == 0 && pendingCount() == 0;
        runEventLoop(int(options.refreshMs) + 20);
        if (empty && pendingCount() == 0)
            return true;
    }
    return false;
}

void BenchRig::runEventLoop(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

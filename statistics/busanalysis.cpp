#include "statistics/busanalysis.h"

#include "app/displayrefresh.h"
#include "app/mainmenus.h"
#include "device/devicelayer.h"
#include "statistics/busstatisticswindow.h"
#include "statistics/idmonitorwindow.h"

#include <QAction>
#include <QMainWindow>

BusAnalysis::BusAnalysis(QMainWindow *window, MainMenus *menus, DisplayRefresh *display,
                         SignalDatabases *databases)
    : QObject(window), statsWindow(new BusStatisticsWindow(window)),
      monitor(new IdMonitorWindow(databases, window))
{
    menus->addAnalysisSeparator();
    QAction *statsAction =
        menus->addAnalysisAction(MenuTexts{"总线统计", "匯流排統計", "Bus statistics"});
    QAction *monitorAction =
        menus->addAnalysisAction(MenuTexts{"ID 监视", "ID 監視", "Identifier monitor"});
    connect(statsAction, &QAction::triggered, this, [this] {
        statsWindow->showStatistics(stats, lossWatch);
        raise(statsWindow);
    });
    connect(monitorAction, &QAction::triggered, this, [this] { raise(monitor); });
    connect(statsWindow, &BusStatisticsWindow::resetRequested, this, &BusAnalysis::resetStatistics);

    connect(display, &DisplayRefresh::recordsTaken, this, &BusAnalysis::takeRecords);
    connect(display, &DisplayRefresh::recordsTaken, monitor, &IdMonitorWindow::takeRecords);
    connect(display, &DisplayRefresh::ratesPublished, this, &BusAnalysis::closeSecond);
    connect(display, &DisplayRefresh::totalsReset, this, &BusAnalysis::resetStatistics);
    second.start();
}

void BusAnalysis::applyLanguage()
{
    statsWindow->applyLanguage();
    monitor->applyLanguage();
}

void BusAnalysis::takeRecords(const QList<ModelItem> &records)
{
    stats.take(records);
    lossWatch.noteQueueDepth(records.size());
}

void BusAnalysis::closeSecond()
{
    const uint64_t elapsedNs = uint64_t(second.nsecsElapsed());
    second.restart();
    uint32_t arbitration[2], data[2];
    ReceiveLosses losses[2];
    for (uint32_t ch = 0; ch < 2; ++ch) {
        const ChannelBitRates rates = channelBitRates(ch);
        arbitration[ch] = rates.arbitration;
        data[ch] = rates.data;
        losses[ch] = receiveLosses(ch);
    }
    stats.closeSecond(elapsedNs, arbitration, data);
    for (const QString &line : lossWatch.update(losses))
        emit log(line);
    statsWindow->showStatistics(stats, lossWatch);
}

void BusAnalysis::resetStatistics()
{
    stats.reset();
    lossWatch.reset();
    statsWindow->showStatistics(stats, lossWatch);
}

void BusAnalysis::raise(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

#pragma once

// The bus entries of the analysis menu and what stands behind them: "总线统计" (bus
// statistics, error frames and loss counts) and "ID 监视" (the identifier monitor). Takes
// the records of every display refresh pass and closes a statistics second with each
// one-second rate update; a loss counter that grew goes to the operation log.

#include "statistics/busstatistics.h"
#include "statistics/losswatch.h"

#include <QElapsedTimer>
#include <QObject>

class DisplayRefresh;
class MainMenus;
class QMainWindow;
class SignalDatabases;
class BusStatisticsWindow;
class IdMonitorWindow;

class BusAnalysis : public QObject
{
    Q_OBJECT
public:
    BusAnalysis(QMainWindow *window, MainMenus *menus, DisplayRefresh *display,
                SignalDatabases *databases);
    void applyLanguage();

    const BusStatistics &statistics() const { return stats; }
    const LossWatch &losses() const { return lossWatch; }
    BusStatisticsWindow *statisticsWindow() const { return statsWindow; }
    IdMonitorWindow *monitorWindow() const { return monitor; }

signals:
    void log(const QString &line);

public slots:
    void takeRecords(const QList<ModelItem> &records);
    // Ends the statistics second (the one-second rate update).
    void closeSecond();
    void resetStatistics();

private:
    static void raise(QWidget *window);

    BusStatistics stats;
    LossWatch lossWatch;
    QElapsedTimer second;
    BusStatisticsWindow *statsWindow;
    IdMonitorWindow *monitor;
};

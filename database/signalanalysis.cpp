#include "signalanalysis.h"

#include "app/displayrefresh.h"
#include "app/mainmenus.h"
#include "database/signaldatabasedialog.h"
#include "database/signaldatabases.h"
#include "database/signalplotwindow.h"
#include "database/signalsdock.h"
#include "database/signalwatchwindow.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMainWindow>
#include <QTableView>

SignalAnalysis::SignalAnalysis(QMainWindow *window, MainMenus *menus, DisplayRefresh *display,
                               QTableView *table)
    : QObject(window), table(table), dbs(new SignalDatabases(this)),
      dialog(new SignalDatabaseDialog(dbs, window)), dock(new SignalsDock(dbs, window)),
      watch(new SignalWatchWindow(dbs, window)), plot(new SignalPlotWindow(dbs, window))
{
    window->addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();
    connect(dialog, &SignalDatabaseDialog::log, this, &SignalAnalysis::log);

    QAction *load =
        menus->addAnalysisAction(MenuTexts{"信号数据库…", "訊號資料庫…", "Signal database…"});
    dockAction = menus->addAnalysisAction(MenuTexts{"信号", "訊號", "Signals"});
    dockAction->setCheckable(true);
    QAction *watchAction =
        menus->addAnalysisAction(MenuTexts{"信号监视", "訊號監視", "Signal watch"});
    QAction *plotAction = menus->addAnalysisAction(MenuTexts{"信号曲线", "訊號曲線", "Plot"});
    connect(load, &QAction::triggered, this, [this] { raise(dialog); });
    connect(dockAction, &QAction::triggered, dock, &QDockWidget::setVisible);
    connect(dock, &QDockWidget::visibilityChanged, dockAction, &QAction::setChecked);
    connect(watchAction, &QAction::triggered, this, [this] { raise(watch); });
    connect(plotAction, &QAction::triggered, this, [this] { raise(plot); });

    connect(display, &DisplayRefresh::recordsTaken, watch, &SignalWatchWindow::takeRecords);
    connect(display, &DisplayRefresh::recordsTaken, plot, &SignalPlotWindow::takeRecords);
    connect(dbs, &SignalDatabases::changed, watch, &SignalWatchWindow::databasesChanged);
    connect(dbs, &SignalDatabases::changed, plot, &SignalPlotWindow::databasesChanged);
    connect(dbs, &SignalDatabases::changed, this, &SignalAnalysis::showCurrentRow);
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &SignalAnalysis::showCurrentRow);
}

void SignalAnalysis::loadRemembered()
{
    for (const QString &line : dbs->loadRemembered())
        emit log(line);
}

void SignalAnalysis::applyLanguage()
{
    dialog->applyLanguage();
    dock->applyLanguage();
    watch->applyLanguage();
    plot->applyLanguage();
}

void SignalAnalysis::raise(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

void SignalAnalysis::showCurrentRow()
{
    const QModelIndex current = table->currentIndex();
    const QAbstractItemModel *model = table->model();
    if (!current.isValid() || !model) {
        dock->clearFrame();
        return;
    }
    // The columns of a row: index, system time, time stamp, channel, direction, ID, frame,
    // type, DLC, CAN-FD, data.
    const auto text = [&](int column) {
        return model->index(current.row(), column).data().toString();
    };
    ModelItem item;
    item.timeStamp = text(2);
    item.channel = text(3) == QLatin1String("2") ? 1 : 0;
    item.recv = text(4) == QLatin1String("Rx") ? 1 : 0;
    item.id = text(5);
    item.data = text(10);
    dock->showFrame(item);
}

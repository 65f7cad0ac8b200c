#pragma once

// The signal entries of the analysis menu and what they open: "Signal database…", the
// "Signals" dock beside the frame table, "Signal watch" and "Plot". Takes the records of
// every display refresh pass and the table's current row; changes nothing in the table.

#include <QObject>

class DisplayRefresh;
class MainMenus;
class QAction;
class QMainWindow;
class QTableView;
class SignalDatabaseDialog;
class SignalDatabases;
class SignalPlotWindow;
class SignalWatchWindow;
class SignalsDock;

class SignalAnalysis : public QObject
{
    Q_OBJECT
public:
    SignalAnalysis(QMainWindow *window, MainMenus *menus, DisplayRefresh *display,
                   QTableView *table);
    // Loads the databases remembered in the settings; failures go to the log.
    void loadRemembered();
    void applyLanguage();

    SignalDatabases *databases() const { return dbs; }
    SignalsDock *signalsDock() const { return dock; }
    SignalWatchWindow *watchWindow() const { return watch; }
    SignalPlotWindow *plotWindow() const { return plot; }

signals:
    void log(const QString &line);

private:
    void showCurrentRow();
    static void raise(QWidget *window);

    QTableView *table;
    SignalDatabases *dbs;
    SignalDatabaseDialog *dialog;
    SignalsDock *dock;
    SignalWatchWindow *watch;
    SignalPlotWindow *plot;
    QAction *dockAction = nullptr;
};

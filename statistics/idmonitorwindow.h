#pragma once

// "ID 监视": every identifier seen on the bus in one row, with its count, rate, cycle
// statistics, latest bytes (those changed in the last second highlighted) and decoded
// signals, fed by the records the display refresh takes. The table is refreshed ten
// times a second while the window is shown; hidden, it only counts.

#include "statistics/idmonitor.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class IdMonitorModel;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class SignalDatabases;

class IdMonitorWindow : public QWidget
{
    Q_OBJECT
public:
    IdMonitorWindow(SignalDatabases *databases, QWidget *parent);
    void applyLanguage();

public slots:
    void takeRecords(const QList<ModelItem> &records);
    void clear();
    // Brings the table up to date (the timer's work; benchmarks call it directly).
    void refresh();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    uint64_t nowUs() const;
    void applyFilter();
    void setUpView();
    void sizeColumns();

    IdMonitor monitor;
    IdMonitorModel *model;
    QSortFilterProxyModel *proxy;
    QTableView *view;
    QLabel *channelLabel;
    QComboBox *channelBox;
    QLineEdit *filterEdit;
    QPushButton *clearButton;
    QTimer refreshTimer;
    QElapsedTimer clock;
};

#pragma once

// "Signal watch": the chosen signals with their latest value, minimum, maximum, count and
// update rate, live from the records the display refresh takes.

#include "database/signalfeed.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;
class SignalDatabases;

class SignalWatchWindow : public QWidget
{
    Q_OBJECT
public:
    SignalWatchWindow(const SignalDatabases *databases, QWidget *parent);
    void applyLanguage();
    void setSelection(const std::vector<SignalRef> &refs);
    const SignalFeed &signalFeed() const { return feed; }
    // What a row shows: samples seen, the latest value, updates per second.
    uint64_t sampleCount(int slot) const { return stats.at(size_t(slot)).count; }
    double latestValue(int slot) const { return stats.at(size_t(slot)).latest; }
    double minimumValue(int slot) const { return stats.at(size_t(slot)).minimum; }
    double updateRate(int slot) const { return stats.at(size_t(slot)).rate; }

public slots:
    void takeRecords(const QList<ModelItem> &records);
    void databasesChanged();

private:
    struct Stats
    {
        bool seen = false;
        double latest = 0, minimum = 0, maximum = 0;
        int64_t raw = 0;
        uint64_t count = 0;
        uint64_t countAtLastRate = 0;
        double rate = 0;
    };
    void chooseSignals();
    void resetStats();
    void rebuildRows();
    void updateCells();

    const SignalDatabases *databases;
    SignalFeed feed;
    std::vector<Stats> stats;
    std::vector<SignalSample> samples;
    QTableWidget *table;
    QPushButton *chooseButton;
    QPushButton *resetButton;
    QLabel *hint;
    QTimer cellTimer;
    QElapsedTimer rateClock;
};

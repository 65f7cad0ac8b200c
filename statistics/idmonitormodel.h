#pragma once

// The identifier monitor as a table: one row per monitor entry, in the monitor's order.
// refresh() appends the rows of new identifiers and marks the whole table changed;
// texts are made only when a view asks for them, so only the shown rows cost anything.

#include "database/signalcodec.h"
#include "statistics/idmonitor.h"

#include <QAbstractTableModel>
#include <QString>

#include <vector>

class SignalDatabases;

class IdMonitorModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Channel,
        Direction,
        Id,
        Type,
        Count,
        Rate,
        Cycle,
        CycleMin,
        CycleMean,
        CycleMax,
        Jitter,
        Length,
        Data,
        Since,
        Signals,
        ColumnCount
    };
    enum Role {
        SortRole = Qt::UserRole, // numbers for the numeric columns, else the text
        ChangedBytesRole,        // Data column: bit i set when byte i changed lately
        FilterRole               // "1 0x123": channel and identifier text
    };
    // Bytes that changed within this time before "now" are shown as changed.
    static constexpr uint64_t ChangedWindowUs = 1000000;

    // databases may be null (no Signals texts).
    IdMonitorModel(const IdMonitor *monitor, const SignalDatabases *databases, QObject *parent);

    // Brings the rows up to the monitor at host time nowUs.
    void refresh(uint64_t nowUs);
    void applyLanguage();
    // Formats an identifier word as the trace does: "0x123", extended "0x18DAF110".
    static QString idText(uint32_t idWord);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QString text(const IdMonitorEntry &e, int column) const;
    QVariant sortValue(const IdMonitorEntry &e, int column) const;
    static QString typeText(const IdMonitorEntry &e);
    static QString dataText(const IdMonitorEntry &e);
    static QString cycleText(const IdMonitorEntry &e, double us);
    QString sinceText(const IdMonitorEntry &e) const;
    QString signalsText(const IdMonitorEntry &e) const;
    void databasesChanged();

    const IdMonitor *monitor;
    const SignalDatabases *databases;
    std::vector<QString> filterTexts; // per row, made once when the row appears
    uint64_t generation = 0;
    uint64_t nowUs = 0;
    mutable DecodedFrame decoded;
};

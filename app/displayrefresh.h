#pragma once

// The display refresh: drains the pending-frame queue on the GUI thread, numbers and
// counts every record, writes it to the real-time CSV recording, and trims and appends
// (or merges) the accepted records into the frame table. Also turns the counts into the
// per-second rates.

#include "receive/modelitem.h"
#include "record/csvrecorder.h"

#include <QObject>

#include <cstdint>

class MyTableModel;
class QAction;
class QCheckBox;
class QLabel;
class QTableView;

// Counter slots, in the order of the rate counters.
enum CounterSlot { Ch1Rx = 0, Ch2Rx = 1, Ch1Tx = 2, Ch2Tx = 3 };

struct DisplayCounters
{
    uint64_t totals[4] = {};       // shown in the count labels, reset by "复位计数"
    uint32_t rateCounters[4] = {}; // records taken since the last one-second update
    uint64_t framesTaken = 0;      // everything taken from the queue
    uint64_t framesShown = 0;      // records handed to the table
    uint64_t framesRecorded = 0;   // rows written to real-time recordings
};

struct DisplayWidgets
{
    QTableView *table = nullptr;
    QCheckBox *pause = nullptr; // "暂停显示"
    QAction *merge = nullptr;   // "合并相同ID数据"
    QLabel *totals[4] = {};     // CounterSlot order
    QLabel *rates[4] = {};      // CounterSlot order
};

class DisplayRefresh : public QObject
{
    Q_OBJECT
public:
    DisplayRefresh(MyTableModel *model, const DisplayWidgets &widgets, QObject *parent);

    // One refresh pass over everything pending.
    void refresh();
    // At shut-down, once the workers have stopped: numbers, counts and records what is
    // still pending, without touching the table.
    void recordRemaining();
    // Writes the rates of the last second to the rate labels and starts a new second.
    void publishRates();
    // "复位计数": the four totals back to 0 (rates untouched).
    void resetTotals();
    // "清空": restarts frame numbering at 1 and empties the table.
    void clearList();

    uint32_t listLimit() const { return limit; }
    void setListLimit(uint32_t rows) { limit = rows; }

    // Real-time recording: truncates or creates path and writes the header line.
    bool startRecording(const QString &path, bool filteredOnly);
    void stopRecording();
    bool isRecording() const { return recorder.isOpen(); }
    QString recordingError() const { return recorder.errorString(); }

    const DisplayCounters &counters() const { return count; }

signals:
    // Every record of a pass, numbered and counted, before the table takes it (also while
    // the display is paused): what the signal windows decode.
    void recordsTaken(const QList<ModelItem> &records);
    // The rates of a second went to the labels (the one-second update).
    void ratesPublished();
    // "复位计数" set the totals back to 0.
    void totalsReset();
    // Writing to the recording failed; recording has stopped.
    void recordingFailed(const QString &error);

private:
    struct Pass;
    QList<ModelItem> takeAndRecord();
    bool takeOne(ModelItem &item, Pass &pass);
    void finishRecording(int rows);
    void show(QList<ModelItem> &accepted);
    void trimFor(int incoming);
    void mergeAppend(QList<ModelItem> &&accepted, int previousRow);
    void addToTotals(const uint32_t batch[4]);
    static int slotOf(const ModelItem &item);

    MyTableModel *model;
    DisplayWidgets ui;
    CsvRecorder recorder;
    bool saveFiltered = false;
    bool userScrolled = false;
    uint32_t limit = 1000;
    DisplayCounters count;
};

#pragma once

// Figures of the frame table at its largest: the memory one classic row costs in a
// 1,000,000-row table, how much of it the process gives back when the table is cleared,
// and the time of one display refresh that trims 6,000 rows from a full 1,000,000-row
// table and appends 6,000 new ones.

#include <QList>

#include <cstdint>

class BenchReport;
class MainWindow;
struct ModelItem;

class TableBench
{
public:
    TableBench(int tableRows, int burstRows, int refreshRepeats);

    void run(BenchReport &out);

private:
    void measureRowMemory(BenchReport &out);
    void measureRefresh(BenchReport &out);
    void measureMergeRefresh(BenchReport &out);
    static int64_t rssAfterRelease(int64_t rssFilled);
    // Classic 8-byte standard frames as the receive thread formats them, numbered and
    // stamped as the display refresh does.
    QList<ModelItem> classicItems(int count);
    // The same with extended identifiers key, key + step, ... (modulo the table size): with
    // the merge option every identifier has a row of its own.
    QList<ModelItem> keyedItems(int count, int key, int step);
    // Times one refresh of the main window per repeat, each with the items of makeItems.
    template <typename MakeItems>
    void timeRefreshes(MainWindow &window, const QString &name, MakeItems makeItems,
                       BenchReport &out);

    int tableRows;
    int burstRows;
    int refreshRepeats;
    uint64_t sequence = 0;
};

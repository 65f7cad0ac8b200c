#pragma once

// Figures of the frame table at its largest: the memory one classic row costs in a
// 1,000,000-row table, how much of it the process gives back when the table is cleared,
// and the time of one display refresh that trims 6,000 rows from a full 1,000,000-row
// table and appends 6,000 new ones.

#include <QList>

#include <cstdint>

class BenchReport;
struct ModelItem;

class TableBench
{
public:
    TableBench(int tableRows, int burstRows, int refreshRepeats);

    void run(BenchReport &out);

private:
    void measureRowMemory(BenchReport &out);
    void measureRefresh(BenchReport &out);
    static int64_t rssAfterRelease(int64_t rssFilled);
    // Classic 8-byte standard frames as the receive thread formats them, numbered and
    // stamped as the display refresh does.
    QList<ModelItem> classicItems(int count);

    int tableRows;
    int burstRows;
    int refreshRepeats;
    uint64_t sequence = 0;
};

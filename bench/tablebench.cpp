#include "bench/tablebench.h"

#include "app/mainwindow.h"
#include "bench/benchmetrics.h"
#include "bench/benchreport.h"
#include "bench/benchrig.h"
#include "receive/frameformat.h"
#include "receive/mytablemodel.h"
#include "receive/pendingframes.h"
#include "tests/shared/windowparts.h"

#include <QElapsedTimer>
#include <QTime>

#include <cstring>

namespace {

constexpr int FillChunk = 6000;
constexpr int MergeKeyStep = 104729; // a prime: the keys of one refresh spread over the table
constexpr int ReleaseWaitMs = 5000;
constexpr int ReleasePollMs = 200;

} // namespace

TableBench::TableBench(int rows, int burst, int repeats)
    : tableRows(rows), burstRows(burst), refreshRepeats(repeats)
{
}

void TableBench::run(BenchReport &out)
{
    measureRowMemory(out);
    measureRefresh(out);
    measureMergeRefresh(out);
}

QList<ModelItem> TableBench::classicItems(int count)
{
    return keyedItems(count, -1, 0);
}

QList<ModelItem> TableBench::keyedItems(int count, int key, int step)
{
    QList<ModelItem> items;
    items.reserve(count);
    CanRxRecord record{};
    record.length = 8;
    // Each row gets its own time text, formatted as the refresh formats it; the time of
    // day is read once (each read may stat the zone file).
    const QTime now = QTime::currentTime();
    for (int i = 0; i < count; ++i, ++sequence) {
        record.id = key < 0 ? 0x100 + uint32_t(sequence % 4)
                            : (uint32_t((key + int64_t(i) * step) % tableRows) | CanExtendedFlag);
        record.timeStamp = 1000000 + sequence * 33;
        std::memcpy(record.data, &sequence, sizeof(sequence));
        ModelItem item = formatRxFrame(0, record, true);
        item.index = QString::number(sequence + 1);
        item.systemTime = now.toString(QStringLiteral("hh:mm:ss.zzz"));
        items.append(item);
    }
    return items;
}

// Heap handed out for the rows of a bare model, filled in refresh-sized batches.
void TableBench::measureRowMemory(BenchReport &out)
{
    MyTableModel model;
    const int64_t heapBefore = heapInUse();
    const int64_t rssBefore = sampleMemory().rssKb;
    for (int filled = 0; filled < tableRows; filled += FillChunk) {
        QList<FrameRow> rows;
        const QList<ModelItem> items = classicItems(std::min(FillChunk, tableRows - filled));
        for (const ModelItem &item : items)
            rows << FrameRow::fromItem(item);
        model.appendRows(rows);
    }
    const double rows = double(std::max(model.rowCount(), 1));
    out.figure(QStringLiteral("table_rows"), qint64(model.rowCount()));
    out.figure(QStringLiteral("table_heap_bytes_per_classic_row"),
               double(heapInUse() - heapBefore) / rows, 1);
    const int64_t rssFilled = sampleMemory().rssKb;
    out.figure(QStringLiteral("table_rss_bytes_per_classic_row"),
               double(rssFilled - rssBefore) * 1024.0 / rows, 1);
    model.clearRows();
    out.figure(QStringLiteral("table_rss_kb_full"), qint64(rssFilled));
    out.figure(QStringLiteral("table_rss_kb_after_clear"), qint64(rssAfterRelease(rssFilled)));
}

// Resident size once the cleared rows are freed and their pages handed back (the table
// frees them on a thread of its own): polled until it stops falling, for at most 5 s.
int64_t TableBench::rssAfterRelease(int64_t rssFilled)
{
    int64_t previous = rssFilled;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < ReleaseWaitMs) {
        BenchRig::runEventLoop(ReleasePollMs);
        const int64_t now = sampleMemory().rssKb;
        if (now < rssFilled && now == previous)
            break;
        previous = now;
    }
    return previous;
}

// The real refresh of the main window, with its view, on a full table.
void TableBench::measureRefresh(BenchReport &out)
{
    RigOptions options;
    options.listLimit = uint32_t(tableRows);
    options.refreshMs = 3600 * 1000; // refreshes run only when measured
    BenchRig rig(options);
    MainWindow &window = rig.window();
    for (int filled = 0; filled < tableRows; filled += FillChunk) {
        appendPending(classicItems(std::min(FillChunk, tableRows - filled)));
        window.refreshDisplay();
    }
    BenchRig::runEventLoop(50);
    out.figure(QStringLiteral("table_refresh_rows"), qint64(frameModelOf(&window)->rowCount()));
    timeRefreshes(
        window, QStringLiteral("table_refresh_trim_append"),
        [this] { return classicItems(burstRows); }, out);
    // A column filter that shows half of the identifiers: every record is checked.
    frameModelOf(&window)->setColumnFilter({QStringLiteral("0x100"), QStringLiteral("0x102")},
                                           MyTableModel::IdColumn);
    timeRefreshes(
        window, QStringLiteral("table_filter_trim_append"),
        [this] { return classicItems(burstRows); }, out);
}

// With the merge option a full table holds one row per identifier; each refresh trims
// the oldest rows and merges frames of identifiers spread over the whole table.
void TableBench::measureMergeRefresh(BenchReport &out)
{
    RigOptions options;
    options.listLimit = uint32_t(tableRows);
    options.refreshMs = 3600 * 1000;
    options.merge = true;
    BenchRig rig(options);
    MainWindow &window = rig.window();
    for (int filled = 0; filled < tableRows; filled += FillChunk) {
        appendPending(keyedItems(std::min(FillChunk, tableRows - filled), filled, 1));
        window.refreshDisplay();
    }
    BenchRig::runEventLoop(50);
    out.figure(QStringLiteral("table_merge_rows"), qint64(frameModelOf(&window)->rowCount()));
    int repeat = 0;
    timeRefreshes(
        window, QStringLiteral("table_merge_trim"),
        [this, &repeat] { return keyedItems(burstRows, ++repeat * 7919, MergeKeyStep); }, out);
}

template <typename MakeItems>
void TableBench::timeRefreshes(MainWindow &window, const QString &name, MakeItems makeItems,
                               BenchReport &out)
{
    Distribution times;
    Distribution cpuTimes;
    for (int i = 0; i < refreshRepeats; ++i) {
        appendPending(makeItems());
        QElapsedTimer timer;
        const double cpuBefore = threadCpuMs();
        timer.start();
        window.refreshDisplay();
        times.add(double(timer.nsecsElapsed()) / 1e6);
        cpuTimes.add(threadCpuMs() - cpuBefore);
        BenchRig::runEventLoop(20); // the view paints between refreshes
    }
    out.figure(name + QStringLiteral("_ms_median"), times.percentile(0.5), 3);
    out.figure(name + QStringLiteral("_ms_max"), times.max(), 3);
    out.figure(name + QStringLiteral("_cpu_ms_median"), cpuTimes.percentile(0.5), 3);
}

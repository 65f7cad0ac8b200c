#pragma once

// Indexes a log file on a thread of its own: reads every frame once through its own
// reader and hands the index entries over in batches, the first after a few hundred
// frames so a viewer shows rows at once, then about ten times a second. Cancellable at
// any time; ends with a summary (frames, times, skipped records, the reader's error).
// Batches wait in a list under a short lock; batchReady() tells the viewer to take them.

#include "record/logformats.h"
#include "record/logindex.h"

#include <QDate>
#include <QMetaType>
#include <QThread>
#include <QVector>

#include <atomic>
#include <mutex>

struct LogIndexSummary
{
    qint64 frames = 0;
    qint64 damaged = 0;
    qint64 skipped = 0;
    int64_t firstUs = 0;
    int64_t lastUs = 0;
    bool absolute = false;
    QDate assumedDate;
    bool cancelled = false;
    QString error; // empty when the whole file was read
    QString format;
};

class LogIndexer : public QThread
{
    Q_OBJECT
public:
    LogIndexer(const QString &path, LogFormat format, QObject *parent = nullptr);
    ~LogIndexer() override;

    void cancel() { cancelRequested = true; }
    // Everything indexed since the last call (possibly nothing), with the progress.
    QVector<LogIndexEntry> takeBatch(qint64 *bytesRead, qint64 *fileSize);
    // The summary, once indexed() has come.
    LogIndexSummary result();

signals:
    void batchReady();
    // The whole file is read (or reading stopped); result() has the summary.
    void indexed();

protected:
    void run() override;

private:
    std::mutex runMutex; // held by run()
    const QString path;
    const LogFormat format;
    void finish(const LogIndexSummary &summary);
    void queueBatch(QVector<LogIndexEntry> &batch, qint64 bytesRead, qint64 fileSize);

    std::atomic<bool> cancelRequested{false};
    LogIndexSummary finalSummary; // under pendingMutex
    std::mutex pendingMutex;
    QVector<LogIndexEntry> pending; // under pendingMutex
    qint64 pendingBytesRead = 0;    // under pendingMutex
    qint64 pendingFileSize = 0;     // under pendingMutex
};

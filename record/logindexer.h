#pragma once

// Indexes a log file on a thread of its own: reads every frame once through its own
// reader and hands the index entries over in batches, the first after a few hundred
// frames so a viewer shows rows at once, then about ten times a second. Cancellable at
// any time; ends with a summary (frames, times, skipped records, the reader's error).

#include "record/logformats.h"
#include "record/logindex.h"

#include <QDate>
#include <QMetaType>
#include <QThread>
#include <QVector>

#include <atomic>

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

    static void registerTypes();

signals:
    void batchReady(const QVector<LogIndexEntry> &entries, qint64 bytesRead, qint64 fileSize);
    void indexed(const LogIndexSummary &summary);

protected:
    void run() override;

private:
    const QString path;
    const LogFormat format;
    std::atomic<bool> cancelRequested{false};
};

Q_DECLARE_METATYPE(LogIndexSummary)
Q_DECLARE_METATYPE(QVector<LogIndexEntry>)

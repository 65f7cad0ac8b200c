#pragma once

// Real-time recording of frames into a CSV frame file (UTF-8, no byte-order mark).
// Every call that touches the disk reports failure (full disk, vanished folder) so the
// caller can tell the user and stop recording.

#include "receive/modelitem.h"

#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>

class CsvRecorder
{
public:
    CsvRecorder() = default;
    ~CsvRecorder();
    CsvRecorder(const CsvRecorder &) = delete;
    CsvRecorder &operator=(const CsvRecorder &) = delete;

    // Creates or truncates the file and writes the header line.
    bool open(const QString &path, const QStringList &headerLabels);
    // Appends one line per item with a single write, then hands it to the system.
    bool writeRows(const QList<ModelItem> &items);
    // Adds one line to the pending rows; a large batch is written out in chunks, so a
    // false return means such a chunk could not be written.
    bool addRow(const ModelItem &item);
    // Writes the rows added since the last write.
    bool writeAdded();
    bool flush();
    void close();

    bool isOpen() const;
    QString path() const;
    QString errorString() const;

private:
    bool writeBuffer();
    bool fail(const QString &message);

    QFile file;
    QString buffer; // keeps its capacity from batch to batch
    QString error;
    bool chunkFailed = false;
};

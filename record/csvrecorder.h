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
    bool flush();
    void close();

    bool isOpen() const;
    QString path() const;
    QString errorString() const;

private:
    bool writeBuffer();
    bool fail(const QString &message);

    QFile file;
    QString buffer;
    QString error;
};

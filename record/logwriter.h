#pragma once

// Writes frames into a log file of one format. The file appears under its name only when
// close() succeeds (QSaveFile), so a failed or cancelled export never leaves half a log
// behind; every failure to write is reported.

#include "record/logframe.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

class LogWriter
{
public:
    LogWriter() = default;
    virtual ~LogWriter();
    LogWriter(const LogWriter &) = delete;
    LogWriter &operator=(const LogWriter &) = delete;

    // absoluteTime: the frames' times count from 1970 (see LogReader::absoluteTime()).
    bool open(const QString &path, bool absoluteTime);
    // A frame the format cannot hold (see carries()) is left out and counted, not failed.
    bool write(const LogFrame &frame);
    // Finishes the file and puts it in place; false (see errorString()) if anything failed.
    bool close();
    // Drops the file being written.
    void cancel();

    virtual const char *formatName() const = 0;
    qint64 framesWritten() const { return frames; }
    qint64 framesLeftOut() const { return leftOut; }
    QString errorString() const { return error; }

protected:
    virtual void begin() {} // after open
    virtual bool carries(const LogFrame &) const { return true; }
    virtual void append(const LogFrame &frame) = 0; // one frame into out
    virtual bool finish() { return true; }          // before the last flush
    bool flush();
    bool fail(const QString &message);

    QSaveFile file;
    QByteArray out; // written out in large pieces
    bool absolute = false;
    qint64 frames = 0;
    qint64 leftOut = 0;
    QString error;
};

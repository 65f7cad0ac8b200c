#pragma once

// The frame stream every log format is read through. A reader holds the file open and
// reads it record by record; a damaged record is skipped and counted, and reading goes
// on at the next one. Records that are no frames (comments, events, objects of other
// kinds) are skipped and counted apart.

#include "record/logframe.h"

#include <QDate>
#include <QFile>
#include <QString>

#include <cstdint>

class LogReader
{
public:
    LogReader() = default;
    virtual ~LogReader();
    LogReader(const LogReader &) = delete;
    LogReader &operator=(const LogReader &) = delete;

    // Opens the file and reads its header; false (see errorString()) when it cannot be
    // opened or is not of this format at all.
    bool open(const QString &path);
    void close();

    // The next frame; false at the end of the file or when the file cannot be read any
    // more (errorString() then says why).
    virtual bool next(LogFrame &frame) = 0;
    // Where the frame last returned by next() starts: a value for seek() that fits in 8
    // bytes (an index of a large file keeps one per frame).
    virtual uint64_t position() const = 0;
    // Goes back to a frame start taken from position(); next() reads that frame again.
    virtual bool seek(uint64_t position) = 0;

    virtual const char *formatName() const = 0;

    // True when frame times count from 1970 (the file has a date), false when they count
    // from the start of the log.
    bool absoluteTime() const { return absolute; }
    // The date taken for a file whose times have no date of their own (invalid if none).
    QDate assumedDate() const { return dateAssumed; }
    qint64 damagedRecords() const { return damaged; }
    qint64 skippedRecords() const { return skipped; }
    qint64 fileSize() const;
    virtual qint64 bytesRead() const = 0; // for progress
    QString errorString() const { return error; }

protected:
    // Reads the header of the freshly opened file.
    virtual bool start() = 0;
    bool fail(const QString &message);

    QFile file;
    bool absolute = false;
    QDate dateAssumed;
    qint64 damaged = 0;
    qint64 skipped = 0;
    QString error;
};

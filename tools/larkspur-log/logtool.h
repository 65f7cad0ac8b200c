#pragma once

// larkspur-log: the log library on the command line.
//   larkspur-log info FILE              format, frames, time span, channels, skipped records
//   larkspur-log convert IN OUT [--to FMT] [--from FMT]
//   larkspur-log cat FILE [--from FMT]  every frame as a candump log line on standard output
// Exit status 0 when done, 1 when a file cannot be read or written, 2 for a usage error;
// every error goes to standard error.

#include "record/logformats.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

class LogTool
{
public:
    enum Status { Ok = 0, Failed = 1, Usage = 2 };

    LogTool(FILE *out, FILE *err) : out(out), err(err) {}
    Status run(const QStringList &arguments); // without the program name

    static QString usageText();

private:
    struct Options
    {
        QStringList files;
        LogFormat from = LogFormat::None;
        LogFormat to = LogFormat::None;
    };
    Status parseOptions(const QStringList &arguments, Options &options);
    Status info(const Options &options);
    Status convert(const Options &options);
    Status cat(const Options &options);

    Status openReader(const QString &path, LogFormat format, std::unique_ptr<LogReader> &reader);
    Status usageError(const QString &message);
    Status failure(const QString &message);
    void warnAboutDamage(const LogReader &reader);
    void print(FILE *stream, const QString &text);

    FILE *out;
    FILE *err;
};

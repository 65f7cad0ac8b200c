#pragma once

// Chooses a log reader or writer by the file's extension: ".log" can-utils candump log,
// ".asc" Vector ASC, ".blf" Vector BLF, ".trc" PEAK TRC, ".csv" the program's own CSV
// frame files. Format names ("candump", "asc", "blf", "trc", "csv") choose the same.

#include "record/logreader.h"
#include "record/logwriter.h"

#include <QString>
#include <QStringList>

#include <memory>

enum class LogFormat { None, Candump, Asc, Blf, Trc, Csv };

// By extension (case-insensitive); None for any other.
LogFormat logFormatOfPath(const QString &path);
// By name or extension without the dot ("candump", "log", "asc", ...); None if unknown.
LogFormat logFormatNamed(const QString &name);
QString logFormatName(LogFormat format);      // "candump", "asc", ...
QString logFormatExtension(LogFormat format); // "log", "asc", ...
// Every format, in the order above.
QList<LogFormat> logFormats();

std::unique_ptr<LogReader> createLogReader(LogFormat format);
std::unique_ptr<LogWriter> createLogWriter(LogFormat format);
// Reader for a path by its extension; null for an unknown extension.
std::unique_ptr<LogReader> createLogReaderFor(const QString &path);

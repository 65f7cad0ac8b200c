#include "record/logformats.h"

#include "record/ascreader.h"
#include "record/ascwriter.h"
#include "record/blfreader.h"
#include "record/blfwriter.h"
#include "record/candumpreader.h"
#include "record/candumpwriter.h"
#include "record/csvlogreader.h"
#include "record/csvlogwriter.h"
#include "record/trcreader.h"
#include "record/trcwriter.h"

#include <QFileInfo>

namespace {

struct FormatEntry
{
    LogFormat format;
    const char *name;
    const char *extension;
};

const FormatEntry Formats[] = {{LogFormat::Candump, "candump", "log"},
                               {LogFormat::Asc, "asc", "asc"},
                               {LogFormat::Blf, "blf", "blf"},
                               {LogFormat::Trc, "trc", "trc"},
                               {LogFormat::Csv, "csv", "csv"}};

} // namespace

LogFormat logFormatNamed(const QString &name)
{
    const QString key = name.toLower();
    for (const FormatEntry &entry : Formats) {
        if (key == QLatin1String(entry.name) || key == QLatin1String(entry.extension))
            return entry.format;
    }
    return LogFormat::None;
}

LogFormat logFormatOfPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const FormatEntry &entry : Formats) {
        if (suffix == QLatin1String(entry.extension))
            return entry.format;
    }
    return LogFormat::None;
}

QString logFormatName(LogFormat format)
{
    for (const FormatEntry &entry : Formats) {
        if (entry.format == format)
            return QLatin1String(entry.name);
    }
    return QString();
}

QString logFormatExtension(LogFormat format)
{
    for (const FormatEntry &entry : Formats) {
        if (entry.format == format)
            return QLatin1String(entry.extension);
    }
    return QString();
}

QList<LogFormat> logFormats()
{
    QList<LogFormat> all;
    for (const FormatEntry &entry : Formats)
        all << entry.format;
    return all;
}

std::unique_ptr<LogReader> createLogReader(LogFormat format)
{
    switch (format) {
    case LogFormat::Candump:
        return std::make_unique<CandumpReader>();
    case LogFormat::Asc:
        return std::make_unique<AscReader>();
    case LogFormat::Blf:
        return std::make_unique<BlfReader>();
    case LogFormat::Trc:
        return std::make_unique<TrcReader>();
    case LogFormat::Csv:
        return std::make_unique<CsvLogReader>();
    case LogFormat::None:
        break;
    }
    return nullptr;
}

std::unique_ptr<LogWriter> createLogWriter(LogFormat format)
{
    switch (format) {
    case LogFormat::Candump:
        return std::make_unique<CandumpWriter>();
    case LogFormat::Asc:
        return std::make_unique<AscWriter>();
    case LogFormat::Blf:
        return std::make_unique<BlfWriter>();
    case LogFormat::Trc:
        return std::make_unique<TrcWriter>();
    case LogFormat::Csv:
        return std::make_unique<CsvLogWriter>();
    case LogFormat::None:
        break;
    }
    return nullptr;
}

std::unique_ptr<LogReader> createLogReaderFor(const QString &path)
{
    return createLogReader(logFormatOfPath(path));
}

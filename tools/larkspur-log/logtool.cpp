#include "tools/larkspur-log/logtool.h"

#include "database/logdecode.h"
#include "record/candumpwriter.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <limits>

namespace {

QString formatList()
{
    QStringList names;
    const QList<LogFormat> formats = logFormats();
    for (LogFormat format : formats)
        names << logFormatName(format);
    return names.join(QLatin1String(", "));
}

// Seconds with six decimals, and for absolute times the local date and time as well.
QString timeText(int64_t timeUs, bool absolute)
{
    const bool negative = timeUs < 0;
    const uint64_t magnitude = negative ? uint64_t(-(timeUs + 1)) + 1 : uint64_t(timeUs);
    QString text = QStringLiteral("%1%2.%3")
                       .arg(negative ? "-" : "")
                       .arg(magnitude / 1000000)
                       .arg(magnitude % 1000000, 6, 10, QLatin1Char('0'));
    if (absolute) {
        const QDateTime moment = QDateTime::fromMSecsSinceEpoch(timeUs / 1000, Qt::LocalTime);
        text += QStringLiteral(" (%1.%2 local time)")
                    .arg(moment.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")))
                    .arg(magnitude % 1000000, 6, 10, QLatin1Char('0'));
    } else {
        text += QStringLiteral(" s from the start of the log");
    }
    return text;
}

struct Summary
{
    qint64 frames = 0, fd = 0, extended = 0, remote = 0, errors = 0, tx = 0;
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t last = std::numeric_limits<int64_t>::min();
    QMap<int, qint64> channels;

    void add(const LogFrame &frame)
    {
        ++frames;
        fd += frame.fd;
        extended += frame.extended;
        remote += frame.remote;
        errors += frame.error;
        tx += frame.tx;
        first = std::min(first, frame.timeUs);
        last = std::max(last, frame.timeUs);
        ++channels[frame.channel + 1];
    }
};

} // namespace

QString LogTool::usageText()
{
    return QStringLiteral(
               "Usage: larkspur-log COMMAND [OPTIONS] FILE...\n"
               "\n"
               "Reads and writes CAN log files: candump log (.log), Vector ASC (.asc), Vector BLF\n"
               "(.blf), PEAK TRC (.trc) and Larkspur's own CSV recordings (.csv).\n"
               "\n"
               "Commands:\n"
               "  info FILE             format, frames, time span, channels and records skipped\n"
               "  convert IN OUT        write the frames of IN into OUT\n"
               "  cat FILE              every frame as a candump log line on standard output\n"
               "  decode DBC LOG        every frame decoded with a DBC database (LOG \"-\": "
               "candump\n"
               "                        lines on standard input); --json for one object a frame,\n"
               "                        --all to keep frames the database does not know\n"
               "\n"
               "Options:\n"
               "  --from FMT            format of the input file instead of its extension\n"
               "  --to FMT              format of the output file instead of its extension\n"
               "  -h, --help            show this text\n"
               "\n"
               "FMT is one of: %1.\n"
               "Channel 1 is can0 in candump logs. A CSV recording has no date: its date is\n"
               "taken from the file (info says which). CSV rows are written with English\n"
               "texts; error frames cannot be stored in CSV and are left out.\n"
               "\n"
               "Exit status: 0 done, 1 a file could not be read or written, 2 usage error.\n")
        .arg(formatList());
}

LogTool::Status LogTool::run(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return usageError(QStringLiteral("no command given"));
    if (arguments.contains(QLatin1String("-h")) || arguments.contains(QLatin1String("--help"))) {
        print(out, usageText());
        return Ok;
    }
    const QString command = arguments.first();
    if (command == QLatin1String("decode"))
        return Status(runLogDecode(arguments, out, err));
    Options options;
    const Status parsed = parseOptions(arguments.mid(1), options);
    if (parsed != Ok)
        return parsed;
    if (command == QLatin1String("info") || command == QLatin1String("cat")) {
        if (options.files.size() != 1)
            return usageError(command + QStringLiteral(" takes one file"));
        if (options.to != LogFormat::None)
            return usageError(QStringLiteral("--to is an option of convert"));
        return command == QLatin1String("info") ? info(options) : cat(options);
    }
    if (command == QLatin1String("convert")) {
        if (options.files.size() != 2)
            return usageError(QStringLiteral("convert takes an input and an output file"));
        return convert(options);
    }
    return usageError(QStringLiteral("unknown command '%1'").arg(command));
}

LogTool::Status LogTool::parseOptions(const QStringList &arguments, Options &options)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--from") || argument == QLatin1String("--to")) {
            if (i + 1 >= arguments.size())
                return usageError(argument + QStringLiteral(" needs a format"));
            const LogFormat format = logFormatNamed(arguments.at(++i));
            if (format == LogFormat::None)
                return usageError(QStringLiteral("unknown format '%1' (formats: %2)")
                                      .arg(arguments.at(i), formatList()));
            (argument == QLatin1String("--from") ? options.from : options.to) = format;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            return usageError(QStringLiteral("unknown option '%1'").arg(argument));
        } else {
            options.files << argument;
        }
    }
    return Ok;
}

LogTool::Status LogTool::openReader(const QString &path, LogFormat format,
                                    std::unique_ptr<LogReader> &reader)
{
    if (format == LogFormat::None)
        format = logFormatOfPath(path);
    if (format == LogFormat::None)
        return usageError(
            QStringLiteral("cannot tell the format of '%1' from its name; use --from").arg(path));
    reader = createLogReader(format);
    if (!reader->open(path))
        return failure(QStringLiteral("cannot read '%1': %2").arg(path, reader->errorString()));
    return Ok;
}

LogTool::Status LogTool::info(const Options &options)
{
    std::unique_ptr<LogReader> reader;
    const Status opened = openReader(options.files.first(), options.from, reader);
    if (opened != Ok)
        return opened;
    Summary summary;
    LogFrame frame;
    while (reader->next(frame))
        summary.add(frame);
    if (!reader->errorString().isEmpty())
        return failure(QStringLiteral("reading '%1' failed after %2 frames: %3")
                           .arg(options.files.first())
                           .arg(summary.frames)
                           .arg(reader->errorString()));
    const bool absolute = reader->absoluteTime();
    QString text;
    text += QStringLiteral("file: %1\n").arg(options.files.first());
    text += QStringLiteral("format: %1\n").arg(QLatin1String(reader->formatName()));
    text += QStringLiteral("size: %1 bytes\n").arg(reader->fileSize());
    if (reader->assumedDate().isValid())
        text += QStringLiteral("assumed date: %1 (the file's times carry none)\n")
                    .arg(reader->assumedDate().toString(Qt::ISODate));
    text += QStringLiteral("frames: %1\n").arg(summary.frames);
    if (summary.frames > 0) {
        text += QStringLiteral("  CAN FD: %1, extended: %2, remote: %3, error frames: %4, "
                               "transmitted: %5\n")
                    .arg(summary.fd)
                    .arg(summary.extended)
                    .arg(summary.remote)
                    .arg(summary.errors)
                    .arg(summary.tx);
        text += QStringLiteral("first frame: %1\n").arg(timeText(summary.first, absolute));
        text += QStringLiteral("last frame: %1\n").arg(timeText(summary.last, absolute));
        text += QStringLiteral("span: %1 s\n")
                    .arg(timeText(summary.last - summary.first, false).section(' ', 0, 0));
        QStringList channels;
        for (auto it = summary.channels.cbegin(); it != summary.channels.cend(); ++it)
            channels << QStringLiteral("%1 (%2 frames)").arg(it.key()).arg(it.value());
        text += QStringLiteral("channels: %1\n").arg(channels.join(QLatin1String(", ")));
    }
    text += QStringLiteral("damaged records skipped: %1\n").arg(reader->damagedRecords());
    text += QStringLiteral("other records skipped: %1\n").arg(reader->skippedRecords());
    print(out, text);
    return Ok;
}

LogTool::Status LogTool::convert(const Options &options)
{
    const QString &inPath = options.files.at(0);
    const QString &outPath = options.files.at(1);
    const LogFormat target = options.to != LogFormat::None ? options.to : logFormatOfPath(outPath);
    if (target == LogFormat::None)
        return usageError(
            QStringLiteral("cannot tell the format of '%1' from its name; use --to").arg(outPath));
    if (QFileInfo(inPath).exists() && QFileInfo(inPath) == QFileInfo(outPath))
        return usageError(QStringLiteral("input and output are the same file"));
    std::unique_ptr<LogReader> reader;
    const Status opened = openReader(inPath, options.from, reader);
    if (opened != Ok)
        return opened;
    std::unique_ptr<LogWriter> writer = createLogWriter(target);
    if (!writer->open(outPath, reader->absoluteTime()))
        return failure(QStringLiteral("cannot write '%1': %2").arg(outPath, writer->errorString()));
    LogFrame frame;
    while (reader->next(frame)) {
        if (!writer->write(frame)) {
            writer->cancel();
            return failure(
                QStringLiteral("writing '%1' failed: %2").arg(outPath, writer->errorString()));
        }
    }
    if (!reader->errorString().isEmpty()) {
        writer->cancel();
        return failure(QStringLiteral("reading '%1' failed: %2; '%3' not written")
                           .arg(inPath, reader->errorString(), outPath));
    }
    if (!writer->close())
        return failure(
            QStringLiteral("writing '%1' failed: %2").arg(outPath, writer->errorString()));
    print(out, QStringLiteral("%1 frames written from %2 (%3) to %4 (%5)\n")
                   .arg(writer->framesWritten())
                   .arg(inPath, QLatin1String(reader->formatName()), outPath,
                        QLatin1String(writer->formatName())));
    warnAboutDamage(*reader);
    if (writer->framesLeftOut() > 0)
        print(err,
              QStringLiteral("larkspur-log: warning: %1 frames left out: %2 cannot hold them\n")
                  .arg(writer->framesLeftOut())
                  .arg(QLatin1String(writer->formatName())));
    return Ok;
}

LogTool::Status LogTool::cat(const Options &options)
{
    std::unique_ptr<LogReader> reader;
    const Status opened = openReader(options.files.first(), options.from, reader);
    if (opened != Ok)
        return opened;
    QByteArray lines;
    LogFrame frame;
    QByteArray names[256];
    for (int i = 0; i < 256; ++i)
        names[i] = "can" + QByteArray::number(i);
    while (reader->next(frame)) {
        CandumpWriter::appendLine(lines, frame, names[frame.channel]);
        if (lines.size() >= 1 << 16) {
            if (std::fwrite(lines.constData(), 1, size_t(lines.size()), out) !=
                size_t(lines.size()))
                return failure(QStringLiteral("cannot write to standard output"));
            lines.clear();
        }
    }
    if (!lines.isEmpty() &&
        std::fwrite(lines.constData(), 1, size_t(lines.size()), out) != size_t(lines.size()))
        return failure(QStringLiteral("cannot write to standard output"));
    if (!reader->errorString().isEmpty())
        return failure(QStringLiteral("reading '%1' failed: %2")
                           .arg(options.files.first(), reader->errorString()));
    warnAboutDamage(*reader);
    return Ok;
}

void LogTool::warnAboutDamage(const LogReader &reader)
{
    if (reader.damagedRecords() > 0)
        print(err, QStringLiteral("larkspur-log: warning: %1 damaged records skipped\n")
                       .arg(reader.damagedRecords()));
}

LogTool::Status LogTool::usageError(const QString &message)
{
    print(err, QStringLiteral("larkspur-log: %1\nTry 'larkspur-log --help'.\n").arg(message));
    return Usage;
}

LogTool::Status LogTool::failure(const QString &message)
{
    print(err, QStringLiteral("larkspur-log: %1\n").arg(message));
    return Failed;
}

void LogTool::print(FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    if (stream == err)
        std::fflush(stream);
}

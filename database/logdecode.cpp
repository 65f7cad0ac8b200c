#include "logdecode.h"

#include "database/dbcreader.h"
#include "database/signalcodec.h"
#include "database/signaltext.h"
#include "record/logformats.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <memory>

namespace {

const char kUsage[] =
    "usage: larkspur-log decode DBC LOG [--json] [--all]\n"
    "  LOG: a .log (candump), .asc, .blf, .trc or .csv file, or - for candump lines on stdin\n";

// Standard input carries candump lines; a file is read by its extension.
std::unique_ptr<LogReader> readerFor(const QString &path)
{
    return path == QLatin1String("-") ? createLogReader(LogFormat::Candump)
                                      : createLogReaderFor(path);
}

QByteArray textLine(const LogFrame &frame, const DbcMessage *message, const DecodedFrame &decoded)
{
    QString line = QStringLiteral("%1 %2 %3")
                       .arg(double(frame.timeUs) * 1e-6, 0, 'f', 6)
                       .arg(frame.channel + 1)
                       .arg(frame.id, frame.extended ? 8 : 3, 16, QLatin1Char('0'))
                       .toUpper();
    line = line.replace(QLatin1String("E+"), QLatin1String("e+"));
    line += QLatin1Char(' ') + (message ? message->name : QStringLiteral("?"));
    if (message) {
        const QString signalsText = decodedSignalsText(*message, decoded);
        if (!signalsText.isEmpty())
            line += QLatin1Char(' ') + signalsText;
        if (decoded.missing > 0)
            line += QStringLiteral(" (%1 signals past the data)").arg(decoded.missing);
    }
    return line.toUtf8() + '\n';
}

QByteArray jsonLine(const LogFrame &frame, const DbcMessage *message, const DecodedFrame &decoded)
{
    QJsonObject object{
        {"t", double(frame.timeUs) * 1e-6}, {"ch", frame.channel + 1}, {"id", qint64(frame.id)}};
    if (message) {
        QJsonObject values, texts;
        for (const DecodedSignal &v : decoded.values) {
            const DbcSignal &s = message->signalList[size_t(v.index)];
            values.insert(s.name,
                          std::isfinite(v.physical) ? QJsonValue(v.physical) : QJsonValue());
            const QString text = s.valueText(v.raw);
            if (!text.isEmpty())
                texts.insert(s.name, text);
        }
        object.insert("message", message->name);
        object.insert("signals", values);
        if (!texts.isEmpty())
            object.insert("text", texts);
    } else {
        object.insert("message", QJsonValue());
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

} // namespace

int runLogDecode(const QStringList &args, FILE *out, FILE *err)
{
    QStringList positional;
    bool json = false, all = false;
    for (const QString &arg : args) {
        if (arg == QLatin1String("--json"))
            json = true;
        else if (arg == QLatin1String("--all"))
            all = true;
        else
            positional << arg;
    }
    if (positional.size() != 3 || positional[0] != QLatin1String("decode")) {
        std::fputs(kUsage, err);
        return 2;
    }
    DbcDatabase db;
    const DbcReadError error = DbcReader::readFile(positional[1], db);
    if (!error.ok()) {
        std::fprintf(err, "%s: %s\n", qPrintable(positional[1]),
                     error.message().toUtf8().constData());
        return 1;
    }
    const QString logPath = positional[2];
    std::unique_ptr<LogReader> reader = readerFor(logPath);
    if (!reader) {
        std::fprintf(err, "%s: unknown log format (.log, .asc, .blf, .trc, .csv or -)\n",
                     qPrintable(logPath));
        return 2;
    }
    if (!reader->open(logPath == QLatin1String("-") ? QStringLiteral("/dev/stdin") : logPath)) {
        std::fprintf(err, "%s: %s\n", qPrintable(logPath),
                     reader->errorString().toUtf8().constData());
        return 1;
    }
    LogFrame frame;
    DecodedFrame decoded;
    while (reader->next(frame)) {
        const DbcMessage *message =
            frame.error || frame.remote ? nullptr : db.find(frame.id, frame.extended);
        if (!message && !all)
            continue;
        if (message)
            SignalCodec::decode(*message, frame.data, frame.length, decoded);
        const QByteArray line =
            json ? jsonLine(frame, message, decoded) : textLine(frame, message, decoded);
        std::fwrite(line.constData(), 1, size_t(line.size()), out);
    }
    std::fflush(out);
    if (!reader->errorString().isEmpty()) {
        std::fprintf(err, "%s: %s\n", qPrintable(logPath),
                     reader->errorString().toUtf8().constData());
        return 1;
    }
    if (reader->damagedRecords() > 0)
        std::fprintf(err, "%s: %lld damaged records skipped\n", qPrintable(logPath),
                     qlonglong(reader->damagedRecords()));
    return 0;
}

// Signal database figures: the parse time of each shared DBC (and of the largest one grown
// to over 1 MB), and the decode and encode cost per message on random payloads of every
// message of a database. Prints one "name: value" line per figure.

#include "database/dbcreader.h"
#include "database/signalcodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Best of several runs, in milliseconds.
double parseMs(const QByteArray &text, int runs, int &messages)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        DbcDatabase db;
        QElapsedTimer timer;
        timer.start();
        const DbcReadError error = DbcReader::read(text, db);
        best = std::min(best, timer.nsecsElapsed() / 1e6);
        messages = error.ok() ? int(db.messages.size()) : -1;
    }
    return best;
}

// The largest file with its messages repeated under new identifiers up to minBytes.
QByteArray grown(const QByteArray &text, int minBytes)
{
    const int first = text.indexOf("\nBO_ ");
    int last = -1;
    for (const char *section : {"\nCM_ ", "\nBA_DEF_ ", "\nVAL_ ", "\nBA_ ", "\nSIG_VALTYPE_ "}) {
        const int at = text.indexOf(section, first + 1);
        if (at > first && (last < 0 || at < last))
            last = at;
    }
    if (first < 0 || last < first)
        return text;
    const QByteArray block = text.mid(first, last - first);
    QByteArray out = text.left(last);
    for (int copy = 1; out.size() < minBytes; ++copy) {
        QByteArray renamed;
        for (QByteArray line : block.split('\n')) {
            if (line.endsWith('\r'))
                line.chop(1);
            if (line.startsWith("BO_ ")) {
                const QList<QByteArray> parts = line.split(' ');
                const quint64 id = parts.value(1).toULongLong() + quint64(copy) * 0x1000u;
                renamed += "BO_ " + QByteArray::number(id | 0x80000000u) + ' ' +
                           parts.value(2).chopped(1) + '_' + QByteArray::number(copy) + ':' +
                           line.mid(line.indexOf(':') + 1) + '\n';
            } else {
                renamed += line + '\n';
            }
        }
        out += renamed;
    }
    return out + text.mid(last);
}

struct Workload
{
    std::vector<const DbcMessage *> messages;
    std::vector<std::vector<uint8_t>> payloads;
    long signalsPerRound = 0;
};

Workload workload(const DbcDatabase &db, int frames, int minSignals)
{
    std::mt19937 random(7);
    Workload w;
    std::vector<const DbcMessage *> pool;
    for (const DbcMessage &m : db.messages) {
        if (int(m.signalList.size()) >= minSignals && m.length > 0)
            pool.push_back(&m);
    }
    for (int i = 0; i < frames && !pool.empty(); ++i) {
        const DbcMessage *m = pool[size_t(i) % pool.size()];
        std::vector<uint8_t> payload(size_t(m->length));
        for (uint8_t &b : payload)
            b = uint8_t(random());
        w.messages.push_back(m);
        w.payloads.push_back(std::move(payload));
    }
    return w;
}

void decodeFigures(const char *label, const DbcDatabase &db, int minSignals, int rounds)
{
    const Workload w = workload(db, 4096, minSignals);
    if (w.messages.empty())
        return;
    DecodedFrame out;
    long decodedSignals = 0;
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < rounds; ++r) {
        for (size_t i = 0; i < w.messages.size(); ++i) {
            const std::vector<uint8_t> &p = w.payloads[i];
            SignalCodec::decode(*w.messages[i], p.data(), int(p.size()), out);
            decodedSignals += long(out.values.size());
        }
    }
    const double ns = double(timer.nsecsElapsed());
    const double messages = double(w.messages.size()) * rounds;
    std::printf("decode_%s_ns_per_message: %.1f\n", label, ns / messages);
    std::printf("decode_%s_signals_per_message: %.2f\n", label, decodedSignals / messages);
    std::printf("decode_%s_ns_per_10_signals: %.1f\n", label, ns / double(decodedSignals) * 10);
    std::printf("decode_%s_messages_per_s: %.0f\n", label, messages / ns * 1e9);

    // Encode of the decoded physical values back into payloads.
    std::vector<std::vector<double>> values(w.messages.size());
    for (size_t i = 0; i < w.messages.size(); ++i) {
        const std::vector<uint8_t> &p = w.payloads[i];
        SignalCodec::decode(*w.messages[i], p.data(), int(p.size()), out);
        values[i].assign(w.messages[i]->signalList.size(), NAN);
        for (const DecodedSignal &v : out.values)
            values[i][size_t(v.index)] = v.physical;
    }
    size_t bytes = 0;
    timer.restart();
    const int encodeRounds = std::max(1, rounds / 4);
    for (int r = 0; r < encodeRounds; ++r) {
        for (size_t i = 0; i < w.messages.size(); ++i)
            bytes += SignalCodec::encode(*w.messages[i], values[i]).size();
    }
    std::printf("encode_%s_ns_per_message: %.1f (%zu bytes)\n", label,
                double(timer.nsecsElapsed()) / (double(w.messages.size()) * encodeRounds), bytes);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const bool quick = app.arguments().contains("--quick");
    const int runs = quick ? 1 : 10;
    const QDir dir(QStringLiteral(SHARED_DBC_DIR));
    QString largest;
    qint64 largestSize = 0;
    for (const QString &sub : {QStringLiteral("cantools"), QStringLiteral("opendbc")}) {
        for (const QFileInfo &info :
             QDir(dir.filePath(sub)).entryInfoList({"*.dbc"}, QDir::Files)) {
            const QByteArray text = readAll(info.filePath());
            int messages = 0;
            const double ms = parseMs(text, runs, messages);
            std::printf("parse_ms %s/%s (%lld bytes, %d messages): %.2f\n", qPrintable(sub),
                        qPrintable(info.fileName()), qlonglong(text.size()), messages, ms);
            if (info.size() > largestSize) {
                largestSize = info.size();
                largest = info.filePath();
            }
        }
    }
    const QByteArray big = grown(readAll(largest), 1 << 20);
    int bigMessages = 0;
    const double bigMs = parseMs(big, runs, bigMessages);
    std::printf("parse_ms_1MB (%s grown to %d bytes, %d messages): %.2f\n",
                qPrintable(QFileInfo(largest).fileName()), int(big.size()), bigMessages, bigMs);

    const int rounds = quick ? 2 : 200;
    for (const char *file :
         {"opendbc/vw_mqb.dbc", "opendbc/toyota_2017_ref_pt.dbc", "cantools/multiplex_2.dbc"}) {
        DbcDatabase db;
        if (!DbcReader::readFile(dir.filePath(file), db).ok())
            return 1;
        QByteArray label = QFileInfo(file).baseName().toLatin1();
        decodeFigures(label.constData(), db, 1, rounds);
    }
    DbcDatabase vw;
    DbcReader::readFile(dir.filePath("opendbc/vw_mqb.dbc"), vw);
    decodeFigures("vw_mqb_10plus", vw, 10, rounds);
    return 0;
}

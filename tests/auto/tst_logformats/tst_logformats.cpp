// Every log format written and read back by Larkspur keeps the fields it carries, python-can
// reads what Larkspur writes and Larkspur reads what python-can writes, and damaged records
// are skipped and counted instead of ending the read.

#include "record/ascreader.h"
#include "record/ascwriter.h"
#include "record/blfreader.h"
#include "record/blfwriter.h"
#include "record/candumpreader.h"
#include "record/candumpwriter.h"
#include "record/trcreader.h"
#include "record/trcwriter.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <vector>

class TestLogFormats : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void pythonCanReadsOurFiles_data();
    void pythonCanReadsOurFiles();
    void weReadPythonCanFiles_data();
    void weReadPythonCanFiles();
    void canUtilsConversionsAgree_data();
    void canUtilsConversionsAgree();
    void damagedLinesAreCounted();

private:
    QTemporaryDir dir;
};

namespace {

std::vector<LogFrame> mixedFrames()
{
    std::vector<LogFrame> frames;
    for (int i = 0; i < 300; ++i) {
        LogFrame f;
        f.timeUs = 1700000000000000LL + i * 1234;
        f.channel = uint8_t(i % 2);
        f.tx = i % 3 == 0;
        f.extended = i % 4 == 0;
        f.id = f.extended ? 0x1234567u + uint32_t(i) : 0x100u + uint32_t(i);
        f.fd = i % 5 == 0;
        f.brs = f.fd && i % 2;
        f.esi = f.fd && i % 7 == 0;
        f.length = uint8_t(f.fd ? canFdLengthFromDlc(9 + i % 7) : i % 9);
        for (int b = 0; b < f.length; ++b)
            f.data[b] = uint8_t(i * 7 + b);
        frames.push_back(f);
    }
    return frames;
}

std::unique_ptr<LogWriter> writerFor(const QString &format)
{
    if (format == "candump")
        return std::make_unique<CandumpWriter>();
    if (format == "asc")
        return std::make_unique<AscWriter>();
    if (format == "blf")
        return std::make_unique<BlfWriter>();
    return std::make_unique<TrcWriter>();
}

std::unique_ptr<LogReader> readerFor(const QString &format)
{
    if (format == "candump")
        return std::make_unique<CandumpReader>();
    if (format == "asc")
        return std::make_unique<AscReader>();
    if (format == "blf")
        return std::make_unique<BlfReader>();
    return std::make_unique<TrcReader>();
}

// python-can's view of a log file (or of the messages it wrote), one object per message.
QList<QJsonObject> runPythonCan(const QString &mode, const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(LOGFORMATS_SOURCE_DIR "/pythoncan.py"), mode, path});
    QList<QJsonObject> objects;
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return objects;
    }
    const QList<QByteArray> lines = python.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        if (!line.trimmed().isEmpty())
            objects << QJsonDocument::fromJson(line).object();
    }
    return objects;
}

// Compares a frame with python-can's message field by field, as far as the format carries
// them: times relative to the first frame, channels up to one offset per file.
QString differenceFrom(const LogFrame &f, const QJsonObject &m, int64_t timeBase,
                       int64_t pythonTimeBase, int channelOffset, bool direction)
{
    const QString data =
        QByteArray(reinterpret_cast<const char *>(f.data), f.remote ? 0 : f.length).toHex();
    const QList<QPair<QString, bool>> checks = {
        {"time", f.timeUs - timeBase == int64_t(m["t"].toDouble()) - pythonTimeBase},
        {"channel", f.channel + channelOffset == m["ch"].toInt()},
        {"direction", !direction || f.tx != m["rx"].toBool()},
        {"extended", f.extended == m["ext"].toBool()},
        {"remote", f.remote == m["rtr"].toBool()},
        {"error", f.error == m["err"].toBool()},
        {"fd", f.fd == m["fd"].toBool()},
        {"brs", f.brs == m["brs"].toBool()},
        {"esi", f.esi == m["esi"].toBool()},
        {"id", f.id == uint32_t(m["id"].toInt())},
        {"length", f.length == m["len"].toInt()},
        {"data", data == m["data"].toString()}};
    for (const auto &check : checks) {
        if (!check.second)
            return check.first;
    }
    return {};
}

// Both sides' frames agree, in order.
void compareWithPythonCan(const std::vector<LogFrame> &frames, const QList<QJsonObject> &messages,
                          const QString &format)
{
    QCOMPARE(size_t(messages.size()), frames.size());
    const bool direction = format == "asc" || format == "blf";
    const int channelOffset = messages.first()["ch"].toInt() - frames.front().channel;
    for (size_t i = 0; i < frames.size(); ++i) {
        const QString difference =
            differenceFrom(frames[i], messages[int(i)], frames.front().timeUs,
                           int64_t(messages.first()["t"].toDouble()), channelOffset, direction);
        QVERIFY2(difference.isEmpty(),
                 qPrintable(QString("frame %1: %2 differs in %3").arg(i).arg(difference, format)));
    }
}

void addFormatRows()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("candump") << "candump";
    QTest::newRow("asc") << "asc";
    QTest::newRow("blf") << "blf";
    QTest::newRow("trc") << "trc";
}

QString extensionOf(const QString &format)
{
    return format == "candump" ? QStringLiteral("log") : format;
}

} // namespace

void TestLogFormats::pythonCanReadsOurFiles_data()
{
    addFormatRows();
}

void TestLogFormats::pythonCanReadsOurFiles()
{
    QFETCH(QString, format);
    std::vector<LogFrame> frames = mixedFrames();
    if (format == "trc") // python-can 4.1 reads only the classic frames of a TRC file
        frames.erase(
            std::remove_if(frames.begin(), frames.end(), [](const LogFrame &f) { return f.fd; }),
            frames.end());
    const QString path = dir.filePath("ours." + extensionOf(format));
    auto writer = writerFor(format);
    QVERIFY(writer->open(path, true));
    for (const LogFrame &frame : frames)
        QVERIFY(writer->write(frame));
    QVERIFY2(writer->close(), qPrintable(writer->errorString()));
    compareWithPythonCan(frames, runPythonCan("dump", path), format);
}

void TestLogFormats::weReadPythonCanFiles_data()
{
    addFormatRows();
}

void TestLogFormats::weReadPythonCanFiles()
{
    QFETCH(QString, format);
    const QString path = dir.filePath("theirs." + extensionOf(format));
    const QList<QJsonObject> written = runPythonCan("write", path);
    QVERIFY(!written.isEmpty());
    auto reader = readerFor(format);
    QVERIFY2(reader->open(path), qPrintable(reader->errorString()));
    std::vector<LogFrame> frames;
    LogFrame frame;
    while (reader->next(frame))
        frames.push_back(frame);
    QCOMPARE(reader->damagedRecords(), 0);
    compareWithPythonCan(frames, written, format);
}

std::vector<LogFrame> readAll(LogReader &reader, const QString &path)
{
    std::vector<LogFrame> frames;
    if (!reader.open(path))
        return frames;
    LogFrame frame;
    while (reader.next(frame))
        frames.push_back(frame);
    return frames;
}

// The frames of a file another tool converted: the same frames in order, with times relative
// to the first frame and channels up to one offset (direction is not compared: the
// converters keep it in different ways).
void compareConverted(const std::vector<LogFrame> &ours, const std::vector<LogFrame> &theirs)
{
    QCOMPARE(theirs.size(), ours.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        LogFrame expected = ours[i];
        LogFrame got = theirs[i];
        expected.timeUs -= ours.front().timeUs;
        got.timeUs -= theirs.front().timeUs;
        got.channel = uint8_t(got.channel - theirs.front().channel + ours.front().channel);
        got.tx = expected.tx;
        QVERIFY2(got == expected, qPrintable(QString("frame %1").arg(i)));
    }
}

void TestLogFormats::canUtilsConversionsAgree_data()
{
    QTest::addColumn<QString>("tool");
    QTest::newRow("log2asc") << "log2asc";
    QTest::newRow("asc2log") << "asc2log";
}

// can-utils converts a file Larkspur wrote; Larkspur reads the result and finds the frames
// it wrote.
void TestLogFormats::canUtilsConversionsAgree()
{
    QFETCH(QString, tool);
    const bool toAsc = tool == "log2asc";
    const QString in = dir.filePath(toAsc ? "utils-in.log" : "utils-in.asc");
    const QString out = dir.filePath(toAsc ? "utils-out.asc" : "utils-out.log");
    const std::vector<LogFrame> frames = mixedFrames();
    auto writer = writerFor(toAsc ? "candump" : "asc");
    QVERIFY(writer->open(in, true));
    for (const LogFrame &frame : frames)
        QVERIFY(writer->write(frame));
    QVERIFY(writer->close());
    QStringList arguments{"-I", in, "-O", out};
    if (toAsc)
        arguments << "can0"
                  << "can1";
    QCOMPARE(QProcess::execute(tool, arguments), 0);
    auto reader = readerFor(toAsc ? "asc" : "candump");
    const std::vector<LogFrame> converted = readAll(*reader, out);
    QCOMPARE(reader->damagedRecords(), 0);
    compareConverted(frames, converted);
}

void TestLogFormats::roundTrip_data()
{
    addFormatRows();
}

void TestLogFormats::roundTrip()
{
    QFETCH(QString, format);
    const QString path = dir.filePath("roundtrip." + format);
    const std::vector<LogFrame> frames = mixedFrames();
    auto writer = writerFor(format);
    QVERIFY(writer->open(path, true));
    for (const LogFrame &frame : frames)
        QVERIFY(writer->write(frame));
    QVERIFY2(writer->close(), qPrintable(writer->errorString()));

    auto reader = readerFor(format);
    QVERIFY2(reader->open(path), qPrintable(reader->errorString()));
    QVERIFY(reader->absoluteTime());
    std::vector<uint64_t> positions;
    LogFrame frame;
    size_t count = 0;
    while (reader->next(frame)) {
        QVERIFY(count < frames.size());
        QVERIFY2(frame == frames[count], qPrintable(QString::number(count)));
        positions.push_back(reader->position());
        ++count;
    }
    QCOMPARE(count, frames.size());
    QCOMPARE(reader->damagedRecords(), 0);
    // Seeking back to a recorded position reads that frame again.
    QVERIFY(reader->seek(positions[150]));
    QVERIFY(reader->next(frame));
    QVERIFY(frame == frames[150]);
}

void TestLogFormats::damagedLinesAreCounted()
{
    const QString path = dir.filePath("broken.log");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("(1700000000.000100) can0 123#1122\n"
               "(1700000000.000200) can0 12G#11\n"
               "garbage\n"
               "(1700000000.000300) can1 12345678##1" +
               QByteArray(24, 'A') +
               "\n"
               "(1700000000.000400) can0 123#R\n");
    file.close();
    CandumpReader reader;
    QVERIFY(reader.open(path));
    LogFrame frame;
    int frames = 0;
    while (reader.next(frame))
        ++frames;
    QCOMPARE(frames, 3);
    QCOMPARE(reader.damagedRecords(), 2);
}

QTEST_GUILESS_MAIN(TestLogFormats)
#include "tst_logformats.moc"

// Every log format written and read back by Larkspur keeps the fields it carries, python-can
// reads what Larkspur writes and Larkspur reads what python-can writes, and damaged records
// are skipped and counted instead of ending the read.

#include "record/ascreader.h"
#include "record/ascwriter.h"
#include "record/blfreader.h"
#include "record/blfwriter.h"
#include "record/candumpreader.h"
#include "record/candumpwriter.h"
#include "record/csvformat.h"
#include "record/csvframereader.h"
#include "record/csvlogreader.h"
#include "record/logformats.h"
#include "record/trcreader.h"
#include "record/trcwriter.h"
#include "tests/shared/testsetup.h"

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
    void formatByExtension_data();
    void formatByExtension();
    void csvRoundTripAndReplay();
    void csvDateAndDamagedRows();

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
    return createLogWriter(logFormatNamed(format));
}

std::unique_ptr<LogReader> readerFor(const QString &format)
{
    return createLogReader(logFormatNamed(format));
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
    QVERIFY(writeTestFile(path, "(1700000000.000100) can0 123#1122\n"
                                "(1700000000.000200) can0 12G#11\n"
                                "garbage\n"
                                "(1700000000.000300) can1 12345678##1" +
                                    QByteArray(24, 'A') +
                                    "\n"
                                    "(1700000000.000400) can0 123#R\n"));
    CandumpReader reader;
    QVERIFY(reader.open(path));
    LogFrame frame;
    int frames = 0;
    while (reader.next(frame))
        ++frames;
    QCOMPARE(frames, 3);
    QCOMPARE(reader.damagedRecords(), 2);
}

void TestLogFormats::formatByExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("format");
    QTest::newRow("candump") << "/x/trace.log"
                             << "candump";
    QTest::newRow("asc upper case") << "C:/logs/RUN.ASC"
                                    << "asc";
    QTest::newRow("blf") << "a.b.blf"
                         << "blf";
    QTest::newRow("trc") << "peak.trc"
                         << "trc";
    QTest::newRow("csv") << "recording.csv"
                         << "csv";
    QTest::newRow("unknown") << "notes.txt" << QString();
    QTest::newRow("no extension") << "blf" << QString();
}

// The factory picks reader and writer of the same format by extension.
void TestLogFormats::formatByExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, format);
    const LogFormat found = logFormatOfPath(path);
    QCOMPARE(logFormatName(found), format);
    auto reader = createLogReaderFor(path);
    auto writer = createLogWriter(found);
    QCOMPARE(bool(reader), !format.isEmpty());
    QCOMPARE(bool(writer), !format.isEmpty());
    if (reader)
        QCOMPARE(QString(reader->formatName()).toLower(), format);
}

// A CSV export keeps every field the recording format carries (milliseconds, no ESI) and
// is read back by the replay's own row reader, field by field.
void TestLogFormats::csvRoundTripAndReplay()
{
    const QString path = dir.filePath("export.csv");
    const std::vector<LogFrame> frames = mixedFrames();
    auto writer = createLogWriter(LogFormat::Csv);
    QVERIFY(writer->open(path, true));
    for (const LogFrame &frame : frames)
        QVERIFY(writer->write(frame));
    LogFrame error;
    error.error = true;
    QVERIFY(writer->write(error));
    QVERIFY2(writer->close(), qPrintable(writer->errorString()));
    QCOMPARE(writer->framesWritten(), qint64(frames.size()));
    QCOMPARE(writer->framesLeftOut(), 1);

    CsvLogReader reader;
    const QDateTime first = QDateTime::fromMSecsSinceEpoch(frames.front().timeUs / 1000);
    reader.setAssumedDate(first.date());
    QVERIFY(reader.open(path));
    QCOMPARE(reader.assumedDate(), first.date());
    std::vector<uint64_t> positions;
    LogFrame frame;
    size_t count = 0;
    while (reader.next(frame) && count < frames.size()) {
        LogFrame expected = frames[count];
        expected.timeUs = expected.timeUs / 1000 * 1000;
        expected.esi = false;
        QVERIFY2(frame == expected, qPrintable(QString::number(count)));
        positions.push_back(reader.position());
        ++count;
    }
    QCOMPARE(count, frames.size());
    QCOMPARE(reader.damagedRecords(), 0);
    QVERIFY(reader.seek(positions[77]));
    QVERIFY(reader.next(frame));
    QCOMPARE(frame.id, frames[77].id);

    CsvFrameReader replay;
    QVERIFY(replay.open(path));
    QStringList fields;
    for (size_t i = 0; i < frames.size(); ++i) {
        QVERIFY(replay.readRow(fields));
        const CsvFrame row = parseCsvFrame(fields);
        QCOMPARE(fields.size(), 11);
        QCOMPARE(row.id, frames[i].id);
        QCOMPARE(row.channelField, frames[i].channel + 1);
        QCOMPARE(row.canFd, frames[i].fd);
        QCOMPARE(row.extended, frames[i].extended);
        QCOMPARE(int(row.length), int(frames[i].length));
        QCOMPARE(fields.at(4), QString(frames[i].tx ? "Tx" : "Rx"));
        QVERIFY(std::equal(row.data, row.data + row.length, frames[i].data));
    }
    QVERIFY(!replay.readRow(fields));
}

// A recording has no date: the reader takes the day the file was written (the day before
// when the first row lies later in the day), moves on a day at midnight, and counts rows
// it cannot read.
void TestLogFormats::csvDateAndDamagedRows()
{
    const QString path = dir.filePath("midnight.csv");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(csvHeaderLine(frameColumnLabels(2)).toUtf8());
    file.write("1,=\"23:59:59.900\",0x1,1,Rx,0x123,Standard Frame,data frame,2,CAN,x| 01 02 \n"
               "2,=\"23:59:5\",0x1,1,Rx,0x123,Standard Frame,data frame,2,CAN,x| 01 02 \n"
               "3,=\"00:00:00.100\",0x1,2,Tx,0x00000456,Extended Frame,Remote Frame,3,CAN,x| \n"
               "\n"
               "4,=\"00:00:00.200\",0x1,1,Rx,0x800,Standard Frame,data frame,0,CAN,x| \n"
               "5,=\"00:00:00.300\",0x1,1,Rx,0x7FF,标准帧,数据帧,9,CANFD,x| \n");
    file.close();
    const QDateTime written(QDate(2026, 3, 4), QTime(0, 5));
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(written, QFileDevice::FileModificationTime));
    file.close();

    CsvLogReader reader;
    QVERIFY(reader.open(path));
    QVERIFY(reader.absoluteTime());
    QCOMPARE(reader.assumedDate(), QDate(2026, 3, 3));
    const std::vector<LogFrame> frames = readAll(reader, path);
    QCOMPARE(reader.assumedDate(), QDate(2026, 3, 3));
    QCOMPARE(frames.size(), size_t(2));
    QCOMPARE(reader.damagedRecords(), 3);
    QCOMPARE(frames[1].timeUs - frames[0].timeUs, 200000);
    QCOMPARE(QDateTime::fromMSecsSinceEpoch(frames[1].timeUs / 1000).date(), QDate(2026, 3, 4));
    QVERIFY(frames[1].tx && frames[1].extended && frames[1].remote);
    QCOMPARE(int(frames[1].channel), 1);
    QCOMPARE(frames[1].id, 0x456u);
    QCOMPARE(int(frames[1].length), 3);
}

QTEST_GUILESS_MAIN(TestLogFormats)
#include "tst_logformats.moc"

// Every log format written and read back by Larkspur keeps the fields it carries, and
// damaged records are skipped and counted instead of ending the read.

#include "record/ascreader.h"
#include "record/ascwriter.h"
#include "record/blfreader.h"
#include "record/blfwriter.h"
#include "record/candumpreader.h"
#include "record/candumpwriter.h"
#include "record/trcreader.h"
#include "record/trcwriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

class TestLogFormats : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
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

} // namespace

void TestLogFormats::roundTrip_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("candump") << "candump";
    QTest::newRow("asc") << "asc";
    QTest::newRow("blf") << "blf";
    QTest::newRow("trc") << "trc";
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

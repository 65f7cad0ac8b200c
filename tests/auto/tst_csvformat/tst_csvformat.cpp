#include "record/csvformat.h"
#include "record/csvframereader.h"
#include "record/csvrecorder.h"
#include "tests/shared/modelrows.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

namespace {

ModelItem classicItem()
{
    ModelItem item = rowOf(QStringLiteral("1|Rx|0x123|Standard Frame|data frame|2|CAN|x| 01 02 "));
    item.index = QStringLiteral("5");
    item.systemTime = QStringLiteral("12:00:00.250");
    return item;
}

ModelItem fdItem()
{
    ModelItem item = rowOf(QStringLiteral("2|Tx|0x1ABCDEF0|扩展帧|数据帧|64|CANFD-加速|x| "));
    item.index = QStringLiteral("6");
    item.systemTime = QStringLiteral("23:59:59.999");
    for (int i = 0; i < 64; ++i)
        item.data += QStringLiteral("%1 ").arg(i, 2, 16, QLatin1Char('0')).toUpper();
    return item;
}

QStringList itemFields(const ModelItem &item)
{
    return {item.index,     "=\"" + item.systemTime + "\"",
            item.timeStamp, item.channelText,
            item.direction, item.id,
            item.frame,     item.type,
            item.dlc,       item.canFd,
            item.data};
}

QStringList fields(const char *line)
{
    return splitCsvRow(QString::fromUtf8(line));
}

} // namespace

class tst_CsvFormat : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString writeRaw(const QByteArray &content);
    QList<QStringList> readAllRows(const QString &path);

private slots:
    void frameLineFormat();
    void headerLine();
    void splitKeepsEmptyFields();
    void parseRow_data();
    void parseRow();
    void parseCopiesDataBytes_data();
    void parseCopiesDataBytes();
    void recordThenReplayRoundTrip();
    void readerAcceptsByteOrderMarkAndCrLf();
    void readerSurvivesBrokenLines();
    void readerFallsBackToGb18030AndCountsUnreadable();
    void readerRewindsForAnotherPass();
    void readerReportsMissingFile();
    void recorderTruncatesExistingFile();
    void recorderReportsWriteFailures();
    void recorderWritesLongBatchesWhole();
};

QString tst_CsvFormat::writeRaw(const QByteArray &content)
{
    static int counter = 0;
    const QString path = dir.filePath(QStringLiteral("raw%1.csv").arg(++counter));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

QList<QStringList> tst_CsvFormat::readAllRows(const QString &path)
{
    CsvFrameReader reader;
    QList<QStringList> rows;
    if (!reader.open(path))
        return rows;
    QStringList row;
    while (reader.readRow(row))
        rows.append(row);
    return rows;
}

void tst_CsvFormat::frameLineFormat()
{
    QString out = QStringLiteral("previous\n");
    appendCsvRow(out, classicItem());
    QCOMPARE(out, QStringLiteral("previous\n5,=\"12:00:00.250\",0x3E8,1,Rx,0x123,Standard Frame,"
                                 "data frame,2,CAN,x| 01 02 \n"));
}

void tst_CsvFormat::headerLine()
{
    const QStringList labels{"序號",  "系統時間", "時間標識", "通道",   "收/發", "ID*",
                             "Frame", "類型",     "DLC",      "CAN-FD", "數據"};
    QCOMPARE(csvHeaderLine(labels),
             QStringLiteral("序號,系統時間,時間標識,通道,收/發,ID*,Frame,類型,DLC,CAN-FD,數據\n"));
}

void tst_CsvFormat::splitKeepsEmptyFields()
{
    QCOMPARE(fields("a,,b,\r\n"), QStringList({"a", "", "b", ""}));
    QCOMPARE(fields("a"), QStringList({"a"}));
    QVERIFY(fields("").isEmpty());
    QVERIFY(fields("\r\n").isEmpty());
}

void tst_CsvFormat::parseRow_data()
{
    QTest::addColumn<QStringList>("row");
    QTest::addColumn<qint64>("timeMs");
    QTest::addColumn<bool>("timeValid");
    QTest::addColumn<bool>("canFd");
    QTest::addColumn<int>("fdFlags");
    QTest::addColumn<uint>("id");
    QTest::addColumn<bool>("extended");
    QTest::addColumn<bool>("remote");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("channel");

    QTest::newRow("classic standard data")
        << fields("5,=\"12:00:00.250\",0x3E8,1,Rx,0x123,Standard Frame,data frame,2,CAN,x| 01 02 ")
        << qint64(43200250) << true << false << 0 << 0x123u << false << false << 2 << 1;
    QTest::newRow("simplified texts, fd with switch")
        << fields("1,=\"00:00:01.000\",无,2,Tx,0x00000100,标准帧,数据帧,8,CANFD-加速,x| ")
        << qint64(1000) << true << true << 1 << 0x100u << false << false << 8 << 2;
    QTest::newRow("traditional texts, fd without switch")
        << fields("1,=\"00:00:00.001\",无,1,Tx,0x7FF,標準幀,數據幀,12,CANFD,x| ") << qint64(1)
        << true << true << 0 << 0x7FFu << false << false << 12 << 1;
    QTest::newRow("extended remote")
        << fields("1,=\"00:00:00.000\",无,1,Tx,0x18FF0001,Extended Frame,remote frame,0,CAN,x| ")
        << qint64(0) << true << false << 0 << 0x18FF0001u << true << true << 0 << 1;
    QTest::newRow("identifier kept out of flag bits")
        << fields("1,=\"00:00:00.000\",,1,Tx,0xFFFFFFFF,,,0,,") << qint64(0) << true << false << 0
        << 0x1FFFFFFFu << true << true << 0 << 1;
    QTest::newRow("length taken as 8 bits") << fields("1,=\"bad\",,1,,0x1,,,300,,") << qint64(0)
                                            << false << false << 0 << 1u << true << true << 44 << 1;
    QTest::newRow("unquoted time does not parse")
        << fields("1,12:00:00.250,,x,,zz,,,abc,CAN,") << qint64(0) << false << false << 0 << 0u
        << true << true << 0 << 0;
    QTest::newRow("last millisecond of the day")
        << fields("1,=\"23:59:59.999\",,1,Rx,0x1,,,0,,") << qint64(86399999) << true << false << 0
        << 1u << true << true << 0 << 1;
    QTest::newRow("hour 24 does not parse")
        << fields("1,=\"24:00:00.000\",,1,Rx,0x1,,,0,,") << qint64(0) << false << false << 0 << 1u
        << true << true << 0 << 1;
    QTest::newRow("minute 60 does not parse")
        << fields("1,=\"12:60:00.000\",,1,Rx,0x1,,,0,,") << qint64(0) << false << false << 0 << 1u
        << true << true << 0 << 1;
    QTest::newRow("short row") << fields("1,=\"01:00:00.000\",x") << qint64(3600000) << true
                               << false << 0 << 0u << true << true << 0 << 0;
    QTest::newRow("empty row") << QStringList() << qint64(0) << false << false << 0 << 0u << true
                               << true << 0 << 0;
}

void tst_CsvFormat::parseRow()
{
    QFETCH(QStringList, row);
    const CsvFrame frame = parseCsvFrame(row);
    QFETCH(qint64, timeMs);
    QCOMPARE(qint64(frame.timeOfDayMs), timeMs);
    QTEST(frame.timeValid, "timeValid");
    QTEST(frame.canFd, "canFd");
    QTEST(int(frame.fdFlags), "fdFlags");
    QTEST(frame.id, "id");
    QTEST(frame.extended, "extended");
    QTEST(frame.remote, "remote");
    QTEST(int(frame.length), "length");
    QTEST(frame.channelField, "channel");
}

void tst_CsvFormat::parseCopiesDataBytes_data()
{
    QTest::addColumn<QString>("dlcAndData");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("exact") << "3,CAN,x| 0A 0b FF " << QByteArray::fromHex("0A0BFF");
    QTest::newRow("fewer bytes than length") << "4,CAN,x| 11 " << QByteArray::fromHex("11");
    QTest::newRow("more bytes than length") << "1,CAN,x| 11 22 33 " << QByteArray::fromHex("11");
    QTest::newRow("classic capped at 8") << "12,CAN,x| 01 02 03 04 05 06 07 08 09 0A 0B 0C "
                                         << QByteArray::fromHex("0102030405060708");
    QTest::newRow("fd up to 12") << "12,CANFD,x| 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D "
                                 << QByteArray::fromHex("0102030405060708090A0B0C");
    QTest::newRow("not hex reads 0") << "3,CAN,x| zz 12 " << QByteArray::fromHex("0012");
    QTest::newRow("double space keeps empty part")
        << "3,CAN,x| 01  02 " << QByteArray::fromHex("010002");
    QTest::newRow("no prefix") << "2,CAN,x" << QByteArray();
}

void tst_CsvFormat::parseCopiesDataBytes()
{
    QFETCH(QString, dlcAndData);
    QFETCH(QByteArray, expected);
    const CsvFrame frame =
        parseCsvFrame(splitCsvRow("1,=\"00:00:00.000\",,1,Rx,0x1,,," + dlcAndData));
    QByteArray padded = expected;
    padded.append(64 - padded.size(), '\0');
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(frame.data), 64), padded);
}

void tst_CsvFormat::recordThenReplayRoundTrip()
{
    const QString path = dir.filePath(QStringLiteral("roundtrip.csv"));
    const QStringList header{"序号",  "系统时间", "时间标识", "通道",   "收/发", "ID",
                             "Frame", "类型",     "DLC",      "CAN-FD", "数据"};
    const QList<ModelItem> items{classicItem(), fdItem()};
    {
        CsvRecorder recorder;
        QVERIFY2(recorder.open(path, header), qPrintable(recorder.errorString()));
        QVERIFY(recorder.isOpen());
        QVERIFY(recorder.writeRows(items));
        QVERIFY(recorder.writeRows({}));
        QVERIFY(recorder.flush());
        recorder.close();
        QVERIFY(!recorder.isOpen());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(csvHeaderLine(header).toUtf8())); // UTF-8, no byte-order mark

    const QList<QStringList> rows = readAllRows(path);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0), itemFields(items.at(0)));
    QCOMPARE(rows.at(1), itemFields(items.at(1)));
    const CsvFrame fd = parseCsvFrame(rows.at(1));
    QVERIFY(fd.canFd && fd.extended && !fd.remote);
    QCOMPARE(int(fd.fdFlags), 1);
    QCOMPARE(fd.id, 0x1ABCDEF0u);
    QCOMPARE(qint64(fd.timeOfDayMs), qint64(86399999));
    QCOMPARE(fd.channelField, 2);
    QCOMPARE(int(fd.length), 64);
    QCOMPARE(int(fd.data[0]), 0);
    QCOMPARE(int(fd.data[63]), 63);
}

void tst_CsvFormat::readerAcceptsByteOrderMarkAndCrLf()
{
    const QString path = writeRaw("\xEF\xBB\xBFheader\r\n"
                                  "1,=\"00:00:00.100\",x,1,Rx,0x5,标准帧,数据帧,1,CAN,x| 07 \r\n"
                                  "2,=\"00:00:00.200\",x,2,Rx,0x6,标准帧,数据帧,0,CAN,x| ");
    const QList<QStringList> rows = readAllRows(path);
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).size(), 11);
    QCOMPARE(rows.at(0).at(10), QStringLiteral("x| 07 "));
    QCOMPARE(rows.at(1).at(3), QStringLiteral("2"));
    const CsvFrame frame = parseCsvFrame(rows.at(0));
    QVERIFY(!frame.extended && !frame.remote);
    QCOMPARE(int(frame.data[0]), 7);
}

// A file written by a Chinese Windows system (GBK) replays; what no codec reads is counted.
void tst_CsvFormat::readerFallsBackToGb18030AndCountsUnreadable()
{
    const QString row = QStringLiteral("1,x,x,1,Rx,0x5,标准帧,数据帧,1,CAN,x| 07 ");
    QByteArray content = "header\n" + QTextCodec::codecForName("GBK")->fromUnicode(row) + "\n";
    content += QByteArray(200 * 1024, 'A') + "\n";
    content += QByteArray("\xFF\xFE\x00\x01\n", 5);
    CsvFrameReader reader;
    QVERIFY(reader.open(writeRaw(content)));
    QStringList fields;
    QVERIFY(reader.readRow(fields));
    QCOMPARE(fields.at(6), QStringLiteral("标准帧"));
    while (reader.readRow(fields)) {
    }
    QCOMPARE(reader.unreadableRows(), 2);
    QVERIFY(reader.rewind());
    QCOMPARE(reader.unreadableRows(), 0);
}

void tst_CsvFormat::readerSurvivesBrokenLines()
{
    const QByteArray good = "1,=\"00:00:00.100\",x,1,Rx,0x5,a,b,1,CAN,x| 07 \n";
    QByteArray content = "header\n" + good + "\n" + "1,2\n";
    content += QByteArray(200 * 1024, 'A') + "\n";        // overlong line
    content += QByteArray("\xFF\xFE\x00\x01,,\x80\n", 8); // binary, not UTF-8
    content += good + QByteArray(100 * 1024, ',');        // overlong last line, no line end
    const QList<QStringList> rows = readAllRows(writeRaw(content));
    QCOMPARE(rows.size(), 7);
    QCOMPARE(rows.at(0).size(), 11);
    QVERIFY(rows.at(1).isEmpty());
    QCOMPARE(rows.at(2), QStringList({"1", "2"}));
    QVERIFY(rows.at(3).isEmpty());
    QVERIFY(rows.at(4).isEmpty());
    QCOMPARE(rows.at(5), rows.at(0));
    QVERIFY(rows.at(6).isEmpty());
    QVERIFY(readAllRows(writeRaw("only a header")).isEmpty());
    QVERIFY(readAllRows(writeRaw("")).isEmpty());
}

void tst_CsvFormat::readerRewindsForAnotherPass()
{
    CsvFrameReader reader;
    QVERIFY(reader.open(writeRaw("h\na\nb\n")));
    QStringList row;
    QVERIFY(reader.readRow(row) && reader.readRow(row));
    QCOMPARE(row, QStringList({"b"}));
    QVERIFY(reader.atEnd());
    QVERIFY(!reader.readRow(row));
    QVERIFY(reader.rewind());
    QVERIFY(reader.readRow(row));
    QCOMPARE(row, QStringList({"a"}));
}

void tst_CsvFormat::readerReportsMissingFile()
{
    CsvFrameReader reader;
    QVERIFY(!reader.open(dir.filePath(QStringLiteral("missing.csv"))));
    QVERIFY(!reader.errorString().isEmpty());
    QStringList row{"stale"};
    QVERIFY(!reader.readRow(row));
    QVERIFY(row.isEmpty());
}

void tst_CsvFormat::recorderTruncatesExistingFile()
{
    const QString path = writeRaw(QByteArray(10000, 'x'));
    CsvRecorder recorder;
    QVERIFY(recorder.open(path, {"a", "b"}));
    recorder.close();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("a,b\n"));
}

void tst_CsvFormat::recorderReportsWriteFailures()
{
    CsvRecorder recorder;
    QVERIFY(!recorder.writeRows({classicItem()}));
    QVERIFY(!recorder.errorString().isEmpty());
    QVERIFY(!recorder.open(dir.filePath(QStringLiteral("no/such/folder.csv")), {"a"}));
    QVERIFY(!recorder.errorString().isEmpty());
    QVERIFY(!recorder.isOpen());
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        QVERIFY(!recorder.open(QStringLiteral("/dev/full"), {"a"})); // device is always full
        QVERIFY(!recorder.errorString().isEmpty());
        QVERIFY(!recorder.isOpen());
    }
}

// A batch far larger than the recorder's buffer is written out in pieces; the file must
// still hold every row once, in order.
void tst_CsvFormat::recorderWritesLongBatchesWhole()
{
    const QString path = dir.filePath(QStringLiteral("long.csv"));
    CsvRecorder recorder;
    QVERIFY(recorder.open(path, {"a", "b"}));
    constexpr int Rows = 30000; // about 6 million characters
    QStringList expected{QStringLiteral("a,b")};
    for (int i = 1; i <= Rows; ++i) {
        ModelItem item = (i % 3 == 0) ? fdItem() : classicItem();
        item.index = QString::number(i);
        expected << itemFields(item).join(QLatin1Char(','));
        QVERIFY(recorder.addRow(item));
    }
    QVERIFY(recorder.writeAdded());
    recorder.close();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), Rows + 2); // the last line end leaves an empty tail
    QVERIFY(lines.last().isEmpty());
    QCOMPARE(lines.mid(0, Rows + 1), expected);
}

QTEST_GUILESS_MAIN(tst_CsvFormat)
#include "tst_csvformat.moc"

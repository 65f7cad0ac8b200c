#include "receive/frameformat.h"
#include "record/csvformat.h"
#include "settings/settingsstore.h"

#include <QtTest>

#include <cstring>

// The texts every frame path (receive, send, recording) shows for a frame.
class tst_FrameFormat : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setLanguageIndex(0); }

    void receivedClassic_data();
    void receivedClassic();
    void receivedFd_data();
    void receivedFd();
    void transmitted_data();
    void transmitted();
    void timeStamp_data();
    void timeStamp();
    void languageTexts_data();
    void languageTexts();
    void lengthAboveCapacityNeverReadsPastTheRecord();
};

namespace {

CanRxRecord rxRecord(uint32_t id, QByteArray bytes, uint8_t length)
{
    CanRxRecord r{};
    r.id = id;
    r.length = length;
    std::memcpy(r.data, bytes.constData(), size_t(qMin(bytes.size(), 8)));
    r.timeStamp = 1000000;
    return r;
}

CanFdRxRecord rxFdRecord(uint32_t id, QByteArray bytes, uint8_t length, uint8_t flags)
{
    CanFdRxRecord r{};
    r.id = id;
    r.length = length;
    r.flags = flags;
    std::memcpy(r.data, bytes.constData(), size_t(qMin(bytes.size(), 64)));
    r.timeStamp = 1000000;
    return r;
}

} // namespace

void tst_FrameFormat::receivedClassic_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("idText");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("data");

    QTest::newRow("standard data") << 0x5u << QByteArray::fromHex("01a2") << 2 << "0x005"
                                   << "标准帧"
                                   << "数据帧"
                                   << "x| 01 A2 ";
    QTest::newRow("standard 0x123") << 0x123u << QByteArray() << 0 << "0x123"
                                    << "标准帧"
                                    << "数据帧"
                                    << "x| ";
    QTest::newRow("extended") << (0x1ABCu | CanExtendedFlag) << QByteArray::fromHex("ff") << 1
                              << "0x00001ABC"
                              << "扩展帧"
                              << "数据帧"
                              << "x| FF ";
    QTest::newRow("extended 0x123")
        << (0x123u | CanExtendedFlag) << QByteArray() << 0 << "0x00000123"
        << "扩展帧"
        << "数据帧"
        << "x| ";
    QTest::newRow("largest extended")
        << (0x1FFFFFFFu | CanExtendedFlag) << QByteArray() << 0 << "0x1FFFFFFF"
        << "扩展帧"
        << "数据帧"
        << "x| ";
    QTest::newRow("long standard not cut") << 0x1234u << QByteArray() << 0 << "0x1234"
                                           << "标准帧"
                                           << "数据帧"
                                           << "x| ";
    QTest::newRow("remote dlc 4") << (0x7FFu | CanRemoteFlag) << QByteArray::fromHex("01020304")
                                  << 4 << "0x7FF"
                                  << "标准帧"
                                  << "远程帧"
                                  << "x| ";
    QTest::newRow("eight bytes") << 0x1u << QByteArray::fromHex("0011223344556677") << 8 << "0x001"
                                 << "标准帧"
                                 << "数据帧"
                                 << "x| 00 11 22 33 44 55 66 77 ";
}

void tst_FrameFormat::receivedClassic()
{
    QFETCH(uint, id);
    QFETCH(QByteArray, bytes);
    QFETCH(int, length);
    const ModelItem item = formatRxFrame(1, rxRecord(id, bytes, uint8_t(length)), true);
    QCOMPARE(item.channel, 1u);
    QCOMPARE(item.recv, 1);
    QVERIFY(item.index.isEmpty());
    QVERIFY(item.systemTime.isEmpty());
    QCOMPARE(item.timeStamp, QStringLiteral("0xF4240"));
    QCOMPARE(item.channelText, QStringLiteral("2"));
    QCOMPARE(item.direction, QStringLiteral("Rx"));
    QTEST(item.id, "idText");
    QTEST(item.frame, "frame");
    QTEST(item.type, "type");
    QCOMPARE(item.dlc, QString::number(length));
    QCOMPARE(item.canFd, QStringLiteral("CAN"));
    QTEST(item.data, "data");
}

void tst_FrameFormat::receivedFd_data()
{
    QTest::addColumn<uint>("id");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("canFd");
    QTest::addColumn<QString>("data");

    QTest::newRow("no switch") << 0x10u << 2 << 0 << "CANFD"
                               << "x| 00 01 ";
    QTest::newRow("bit-rate switch") << 0x10u << 2 << 1 << "CANFD-加速"
                                     << "x| 00 01 ";
    QTest::newRow("flags 3") << 0x10u << 2 << 3 << "CANFD"
                             << "x| 00 01 ";
    QTest::newRow("remote is empty") << (0x10u | CanRemoteFlag) << 8 << 1 << "CANFD-加速"
                                     << "";
    QTest::newRow("length 0") << 0x10u << 0 << 0 << "CANFD"
                              << "x| ";
    QString all = QStringLiteral("x| ");
    for (int i = 0; i < 64; ++i)
        all += QStringLiteral("%1 ").arg(i, 2, 16, QLatin1Char('0')).toUpper();
    QTest::newRow("64 bytes") << 0x10u << 64 << 0 << "CANFD" << all;
}

void tst_FrameFormat::receivedFd()
{
    QFETCH(uint, id);
    QFETCH(int, length);
    QFETCH(int, flags);
    QByteArray bytes(64, 0);
    for (int i = 0; i < 64; ++i)
        bytes[i] = char(i);
    const ModelItem item =
        formatRxFdFrame(0, rxFdRecord(id, bytes, uint8_t(length), uint8_t(flags)), false);
    QCOMPARE(item.recv, 1);
    QCOMPARE(item.channelText, QStringLiteral("1"));
    QCOMPARE(item.timeStamp, QStringLiteral("1.0000"));
    QCOMPARE(item.dlc, QString::number(length));
    QTEST(item.canFd, "canFd");
    QTEST(item.data, "data");
}

void tst_FrameFormat::transmitted_data()
{
    QTest::addColumn<bool>("fd");
    QTest::addColumn<uint>("id");
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QString>("canFd");
    QTest::addColumn<QString>("data");

    QTest::newRow("classic") << false << 0x7FFu << 3 << 0 << "CAN"
                             << "x| AA BB CC ";
    QTest::newRow("classic remote") << false << (0x7FFu | CanRemoteFlag) << 3 << 0 << "CAN"
                                    << "x| ";
    QTest::newRow("fd remote keeps prefix")
        << true << (0x7FFu | CanRemoteFlag) << 3 << 1 << "CANFD-加速"
        << "x| ";
    QTest::newRow("fd length 0") << true << 0x7FFu << 0 << 0 << "CANFD"
                                 << "x| ";
    QTest::newRow("fd brs") << true << 0x7FFu << 1 << 1 << "CANFD-加速"
                            << "x| AA ";
}

void tst_FrameFormat::transmitted()
{
    QFETCH(bool, fd);
    QFETCH(uint, id);
    QFETCH(int, length);
    QFETCH(int, flags);
    const QByteArray bytes = QByteArray::fromHex("aabbcc");
    ModelItem item;
    if (fd) {
        CanFdTxRecord r{};
        r.id = id;
        r.length = uint8_t(length);
        r.flags = uint8_t(flags);
        std::memcpy(r.data, bytes.constData(), 3);
        item = formatTxFdFrame(1, r);
    } else {
        CanTxRecord r{};
        r.id = id;
        r.length = uint8_t(length);
        std::memcpy(r.data, bytes.constData(), 3);
        item = formatTxFrame(1, r);
    }
    QCOMPARE(item.recv, 0);
    QCOMPARE(item.channel, 1u);
    QCOMPARE(item.timeStamp, QStringLiteral("无"));
    QCOMPARE(item.direction, QStringLiteral("Tx"));
    QCOMPARE(item.channelText, QStringLiteral("2"));
    QCOMPARE(item.id, QStringLiteral("0x7FF"));
    QCOMPARE(item.dlc, QString::number(length));
    QTEST(item.canFd, "canFd");
    QTEST(item.data, "data");
}

void tst_FrameFormat::timeStamp_data()
{
    QTest::addColumn<quint64>("microseconds");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("seconds");

    QTest::newRow("one second") << quint64(1000000) << "0xF4240"
                                << "1.0000";
    QTest::newRow("zero") << quint64(0) << "0x0"
                          << "0.0000";
    QTest::newRow("fraction") << quint64(123456789) << "0x75BCD15"
                              << "123.4568";
    QTest::newRow("full 64 bits") << quint64(0xFFFFFFFFFFFFFFFFull) << "0xFFFFFFFFFFFFFFFF"
                                  << "18446744073709.5508";
}

void tst_FrameFormat::timeStamp()
{
    QFETCH(quint64, microseconds);
    CanRxRecord r = rxRecord(1, QByteArray(), 0);
    r.timeStamp = microseconds;
    CanFdRxRecord fd = rxFdRecord(1, QByteArray(), 0, 0);
    fd.timeStamp = microseconds;
    QTEST(formatRxFrame(0, r, true).timeStamp, "hex");
    QTEST(formatRxFrame(0, r, false).timeStamp, "seconds");
    QTEST(formatRxFdFrame(0, fd, true).timeStamp, "hex");
    QTEST(formatRxFdFrame(0, fd, false).timeStamp, "seconds");
}

void tst_FrameFormat::languageTexts_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<QStringList>("expected"); // extended, standard, remote, data, brs, error

    QTest::newRow("simplified") << 0u << QStringList{"扩展帧", "标准帧",     "远程帧",
                                                     "数据帧", "CANFD-加速", "错误帧"};
    QTest::newRow("traditional") << 1u << QStringList{"擴展幀", "標準幀",     "遠程幀",
                                                      "數據幀", "CANFD-加速", "錯誤幀"};
    QTest::newRow("english") << 2u
                             << QStringList{"Extended Frame", "Standard Frame",     "Remote Frame",
                                            "data frame",     "CANFD-acceleration", "Error Frame"};
}

void tst_FrameFormat::languageTexts()
{
    QFETCH(uint, language);
    QFETCH(QStringList, expected);
    setLanguageIndex(language);
    CanFdRxRecord ext = rxFdRecord(0x1 | CanExtendedFlag | CanRemoteFlag, QByteArray(), 0, 1);
    const ModelItem remote = formatRxFdFrame(0, ext, true);
    const ModelItem data = formatTxFrame(0, CanTxRecord{0x1, 0, {}, {}, 0});
    QCOMPARE(remote.frame, expected.at(0));
    QCOMPARE(data.frame, expected.at(1));
    QCOMPARE(remote.type, expected.at(2));
    QCOMPARE(data.type, expected.at(3));
    QCOMPARE(remote.canFd, expected.at(4));
    QCOMPARE(data.timeStamp, QStringLiteral("无"));
    QCOMPARE(data.canFd, QStringLiteral("CAN"));
    CanRxRecord errorRecord{};
    errorRecord.id = CanErrorFlag | 0x88;
    errorRecord.length = 8;
    const ModelItem error = formatRxFrame(0, errorRecord, true);
    QCOMPARE(error.type, expected.at(5));
    QCOMPARE(error.id, QStringLiteral("0x088")); // the error classes
    // A recorded error row reads back as an error frame, never as a remote frame to send.
    const CsvFrame row = parseCsvFrame({"1", "10:00:00.000", "", "1", "Rx", error.id, error.frame,
                                        error.type, error.dlc, error.canFd, error.data});
    QVERIFY(row.errorFrame);
    QVERIFY(!row.remote);
}

void tst_FrameFormat::lengthAboveCapacityNeverReadsPastTheRecord()
{
    const ModelItem classic =
        formatRxFrame(0, rxRecord(1, QByteArray::fromHex("0102030405060708"), 15), true);
    QCOMPARE(classic.dlc, QStringLiteral("15"));
    QCOMPARE(classic.data, QStringLiteral("x| 01 02 03 04 05 06 07 08 "));
    CanFdRxRecord fd = rxFdRecord(1, QByteArray(64, '\x11'), 200, 0);
    const ModelItem wide = formatRxFdFrame(0, fd, true);
    QCOMPARE(wide.dlc, QStringLiteral("200"));
    QCOMPARE(wide.data.size(), 3 + 3 * 64);
}

QTEST_APPLESS_MAIN(tst_FrameFormat)
#include "tst_frameformat.moc"

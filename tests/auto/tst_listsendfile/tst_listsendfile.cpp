// The send list as JSON: a written list reads back the same, and a file that does not
// parse or holds one wrong entry loads nothing and names the entry.

#include "settings/settingsstore.h"
#include "transmit/listsendfile.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_ListSendFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip();
    void refused_data();
    void refused();
    void missingFile();
};

void tst_ListSendFile::roundTrip()
{
    QVector<ListSendRow> rows(3);
    rows[0].id = "123";
    rows[0].data = "11 22 33";
    rows[0].length = 3;
    rows[1].channel = 1;
    rows[1].id = "1ABCDEF0";
    rows[1].extended = true;
    rows[1].kind = ListSendRow::CanFdBrs;
    rows[1].length = 64;
    rows[1].periodMs = 7;
    rows[1].count = 1000;
    rows[1].comment = QString::fromUtf8("制动 ECU");
    rows[2].enabled = false;
    rows[2].remote = true;
    rows[2].periodMs = 0;
    rows[2].transmitType = 3;
    rows[2].boundMessage = "EngineData";
    rows[2].signalValues = {{"Rpm", 1500.5},
                            {"Alive", 3, ListSignalValue::Counter},
                            {"Torque", -20, ListSignalValue::Ramp, 0.25}};

    QTemporaryDir dir;
    const QString path = dir.filePath("list.json");
    QString error;
    QVERIFY(ListSendFile::write(path, rows, &error));
    const auto read = ListSendFile::read(path);
    QVERIFY2(read.error.isEmpty(), qPrintable(read.error));
    QCOMPARE(read.rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const ListSendRow &a = rows[i], &b = read.rows[i];
        QCOMPARE(b.enabled, a.enabled);
        QCOMPARE(b.channel, a.channel);
        QCOMPARE(b.id, a.id);
        QCOMPARE(b.extended, a.extended);
        QCOMPARE(b.remote, a.remote);
        QCOMPARE(b.kind, a.kind);
        QCOMPARE(b.length, a.length);
        QCOMPARE(b.data, a.data);
        QCOMPARE(b.periodMs, a.periodMs);
        QCOMPARE(b.count, a.count);
        QCOMPARE(b.transmitType, a.transmitType);
        QCOMPARE(b.comment, a.comment);
        QCOMPARE(b.boundMessage, a.boundMessage);
        QVERIFY(b.signalValues == a.signalValues);
    }
    const ListSendFrame f = read.rows[1].frame();
    QVERIFY(f.fd && f.brs && f.extended);
    QCOMPARE(f.id, 0x1ABCDEF0u);
}

void tst_ListSendFile::refused_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    const QByteArray good = R"({"id":"100","length":8,"data":"01 02"})";
    QTest::newRow("not JSON") << QByteArray("{\"rows\": [") << QString("the file does not parse");
    QTest::newRow("no rows list") << QByteArray(R"({"list":[]})")
                                  << QString("the file has no \"rows\" list");
    QTest::newRow("entry not an object")
        << QByteArray(R"({"rows":[)" + good + R"(,5]})") << QString("entry 2 is not an object");
    QTest::newRow("third entry's channel")
        << QByteArray(R"({"rows":[)" + good + "," + good + R"(,{"channel":3}]})")
        << QString("entry 3: \"channel\" is invalid");
    QTest::newRow("FD length 9") << QByteArray(R"({"rows":[{"kind":"CANFD","length":9}]})")
                                 << QString("entry 1: \"length\" is invalid");
    QTest::newRow("classic length 12") << QByteArray(R"({"rows":[{"kind":"CAN","length":12}]})")
                                       << QString("entry 1: \"length\" is invalid");
    QTest::newRow("standard id too large")
        << QByteArray(R"({"rows":[)" + good + R"(,{"id":"800"}]})") << QString("entry 2: ");
    QTest::newRow("period as text") << QByteArray(R"({"rows":[{"periodMs":"10"}]})")
                                    << QString("entry 1: \"periodMs\" is invalid");
    QTest::newRow("count below -1")
        << QByteArray(R"({"rows":[{"count":-2}]})") << QString("entry 1: \"count\" is invalid");
    QTest::newRow("signal without a name") << QByteArray(R"({"rows":[{"signals":[{"value":1}]}]})")
                                           << QString("entry 1: \"signals\" is invalid");
    QTest::newRow("unknown signal mode")
        << QByteArray(R"({"rows":[{"signals":[{"name":"A","value":1,"mode":"sine"}]}]})")
        << QString("entry 1: \"signals\" is invalid");
    QTest::newRow("remote CAN FD") << QByteArray(R"({"rows":[{"kind":"CANFD","remote":true}]})")
                                   << QString("entry 1: CAN FD has no remote frames");
}

void tst_ListSendFile::refused()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    setLanguageIndex(2);
    const auto read = ListSendFile::fromJson(json);
    QVERIFY(read.rows.isEmpty());
    QVERIFY2(read.error.startsWith(error), qPrintable(read.error));
}

void tst_ListSendFile::missingFile()
{
    setLanguageIndex(0);
    const auto read = ListSendFile::read("/nonexistent/list.json");
    QVERIFY(read.rows.isEmpty());
    QVERIFY(read.error.startsWith(QString::fromUtf8("无法打开文件")));
}

QTEST_GUILESS_MAIN(tst_ListSendFile)
#include "tst_listsendfile.moc"

// The DBC reader on the shared databases written by others and on damaged text: what it
// keeps of messages, signals, multiplexing, value texts and attributes, and where it
// says a file is wrong.

#include "database/dbcreader.h"

#include <QDir>
#include <QtTest>

class TestDbcReader : public QObject
{
    Q_OBJECT
private slots:
    void sharedFilesLoad_data();
    void sharedFilesLoad();
    void messagesAndSignals();
    void attributesAndFrameFormat();
    void multiplexing();
    void textEncodings_data();
    void textEncodings();
    void faultsNameLineAndColumn_data();
    void faultsNameLineAndColumn();

private:
    static DbcDatabase load(const QString &file);
};

DbcDatabase TestDbcReader::load(const QString &file)
{
    DbcDatabase db;
    const DbcReadError error = DbcReader::readFile(QStringLiteral(SHARED_DBC_DIR "/") + file, db);
    if (!error.ok())
        qWarning().noquote() << file << error.message();
    return db;
}

void TestDbcReader::sharedFilesLoad_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("messages");
    const QDir dir(QStringLiteral(SHARED_DBC_DIR));
    QVERIFY2(dir.exists(), SHARED_DBC_DIR);
    // Message counts as grep -c '^BO_ ' gives them.
    const QHash<QString, int> expected = {{"cantools/vehicle.dbc", 217},
                                          {"opendbc/FORD_CADS_64.dbc", 81},
                                          {"cantools/cp1252.dbc", 0}};
    for (const QString &sub : {QStringLiteral("cantools"), QStringLiteral("opendbc")}) {
        for (const QString &name : QDir(dir.filePath(sub)).entryList({"*.dbc"}, QDir::Files)) {
            const QString file = sub + '/' + name;
            QTest::newRow(qPrintable(file)) << file << expected.value(file, -1);
        }
    }
}

void TestDbcReader::sharedFilesLoad()
{
    QFETCH(QString, file);
    QFETCH(int, messages);
    DbcDatabase db;
    const QString path = QStringLiteral(SHARED_DBC_DIR "/") + file;
    const DbcReadError error = DbcReader::readFile(path, db);
    QVERIFY2(error.ok(), qPrintable(error.message()));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    const int boLines = text.count("\nBO_ ");
    QCOMPARE(int(db.messages.size()), boLines);
    if (messages >= 0)
        QCOMPARE(int(db.messages.size()), messages);
    const QRegularExpression signalLine("^[ \\t]+SG_ ", QRegularExpression::MultilineOption);
    QCOMPARE(db.signalCount(), int(QString::fromLatin1(text).count(signalLine)));
    for (const DbcMessage &m : db.messages) {
        QCOMPARE(db.find(m.id, m.extended) != nullptr, true);
        QVERIFY(m.decodeOrder.size() <= m.signalList.size());
    }
}

void TestDbcReader::messagesAndSignals()
{
    // motohawk.dbc: "BO_ 496 ExampleMessage: 8 PCM1" with three Motorola signals.
    const DbcDatabase db = load("cantools/motohawk.dbc");
    const DbcMessage *m = db.find(496, false);
    QVERIFY(m);
    QCOMPARE(m->name, QString("ExampleMessage"));
    QCOMPARE(m->sender, QString("PCM1"));
    QCOMPARE(m->length, 8);
    const DbcSignal &t = m->signalList[size_t(m->signalIndex("Temperature"))];
    QCOMPARE(t.startBit, 0);
    QCOMPARE(t.length, 12);
    QVERIFY(t.motorola);
    QVERIFY(t.isSigned);
    QCOMPARE(t.factor, 0.01);
    QCOMPARE(t.offset, 250.0);
    QCOMPARE(t.minimum, 229.52);
    QCOMPARE(t.maximum, 270.47);
    QCOMPARE(t.unit, QString("degK"));
    QCOMPARE(t.receivers, QStringList({"PCM1", "FOO"}));
    const DbcSignal &e = m->signalList[size_t(m->signalIndex("Enable"))];
    QCOMPARE(e.valueText(0), QString("Disabled"));
    QCOMPARE(e.valueText(1), QString("Enabled"));
    QCOMPARE(e.valueText(2), QString());
    QCOMPARE(m->comment, QString("Example message used as template in MotoHawk models."));

    // Extended identifiers carry bit 31 in the file; float and double value types.
    const DbcDatabase fp = load("cantools/floating_point.dbc");
    QCOMPARE(fp.find(1024, false)->signalList[0].valueType, DbcValueType::Double);
    QCOMPARE(fp.find(1025, false)->signalList[0].valueType, DbcValueType::Float);
    const DbcDatabase fd = load("cantools/fd_test.dbc");
    QVERIFY(fd.find(3, true));
    QVERIFY(!fd.find(3, false));
    QVERIFY(fd.find(0, true));
}

void TestDbcReader::attributesAndFrameFormat()
{
    // fd_test.dbc: VFrameFormat 1 = ExtendedCAN, 14 = StandardCAN_FD, 15 = ExtendedCAN_FD,
    // the default StandardCAN for the fourth.
    const DbcDatabase fd = load("cantools/fd_test.dbc");
    QCOMPARE(fd.find(3, true)->canFd, false);
    QCOMPARE(fd.find(1, false)->canFd, true);
    QCOMPARE(fd.find(0, true)->canFd, true);
    QCOMPARE(fd.find(2, false)->canFd, false);
    // FORD_CADS_64: 64-byte payloads are CAN FD whatever the attributes say.
    const DbcDatabase ford = load("opendbc/FORD_CADS_64.dbc");
    int long64 = 0;
    for (const DbcMessage &m : ford.messages) {
        if (m.length == 64) {
            ++long64;
            QVERIFY(m.canFd);
        }
    }
    QVERIFY(long64 > 0);
    // GenMsgCycleTime and GenSigStartValue given per object, and defaulted.
    const QByteArray text =
        "BO_ 100 A: 8 N\n SG_ S : 0|8@1+ (1,0) [0|0] \"\" N\n SG_ T : 8|8@1+ (1,0) [0|0] \"\" N\n"
        "BO_ 101 B: 8 N\n"
        "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 10000;\n"
        "BA_DEF_ SG_ \"GenSigStartValue\" INT 0 10000;\n"
        "BA_DEF_DEF_ \"GenMsgCycleTime\" 50;\nBA_DEF_DEF_ \"GenSigStartValue\" 3;\n"
        "BA_ \"GenMsgCycleTime\" BO_ 100 20;\nBA_ \"GenSigStartValue\" SG_ 100 S 7;\n"
        "BA_ \"Unused\" BO_ 100 \"x;y\";\n";
    DbcDatabase db;
    const DbcReadError error = DbcReader::read(text, db);
    QVERIFY2(error.ok(), qPrintable(error.message()));
    QCOMPARE(db.find(100, false)->cycleTimeMs, 20);
    QCOMPARE(db.find(101, false)->cycleTimeMs, 50);
    QCOMPARE(db.find(100, false)->signalList[0].startValue, 7.0);
    QCOMPARE(db.find(100, false)->signalList[1].startValue, 3.0);
}

void TestDbcReader::multiplexing()
{
    // Simple: multiplex.dbc's "Multiplexor M" selects m8/m16/m24 groups.
    const DbcDatabase simple = load("cantools/multiplex.dbc");
    const DbcMessage *m = simple.find(0x123456, true);
    QVERIFY(m);
    const int mux = m->signalIndex("Multiplexor");
    QVERIFY(m->signalList[size_t(mux)].isMultiplexor);
    QCOMPARE(m->decodeOrder.front(), mux);
    for (const DbcSignal &s : m->signalList) {
        if (s.name != "Multiplexor")
            QCOMPARE(s.multiplexor, mux);
    }
    // Extended: muxed_B_0/1 are selected by muxed_A_2_MUX_B, itself selected by MUX_A = 2.
    const DbcDatabase cascaded = load("cantools/issue_184_extended_mux_cascaded.dbc");
    const DbcMessage *c = cascaded.find(1, true);
    QVERIFY(c);
    const int a = c->signalIndex("MUX_A"), b = c->signalIndex("muxed_A_2_MUX_B");
    const DbcSignal &b1 = c->signalList[size_t(c->signalIndex("muxed_B_1"))];
    QCOMPARE(b1.multiplexor, b);
    QCOMPARE(int(b1.muxRanges.size()), 1);
    QCOMPARE(b1.muxRanges[0].low, uint64_t(1));
    const DbcSignal &bm = c->signalList[size_t(b)];
    QVERIFY(bm.isMultiplexor);
    QCOMPARE(bm.multiplexor, a);
    QCOMPARE(bm.muxRanges[0].low, uint64_t(2));
    const auto pos = [&](int index) {
        return std::find(c->decodeOrder.begin(), c->decodeOrder.end(), index) -
               c->decodeOrder.begin();
    };
    QVERIFY(pos(a) < pos(b));
    QVERIFY(pos(b) < pos(c->signalIndex("muxed_B_1")));
    QCOMPARE(int(c->decodeOrder.size()), int(c->signalList.size()));
    // Ranges: "S2 S0 2-5" and "S1 S0 1-1, 3-3" in multiplex_2.dbc.
    const DbcDatabase ranges = load("cantools/multiplex_2.dbc");
    const DbcMessage *r = ranges.find(0xC02FEFE, true);
    QVERIFY(r);
    const DbcSignal &s2 = r->signalList[size_t(r->signalIndex("S2"))];
    QCOMPARE(s2.muxRanges[0].low, uint64_t(2));
    QCOMPARE(s2.muxRanges[0].high, uint64_t(5));
    QCOMPARE(int(r->signalList[size_t(r->signalIndex("S1"))].muxRanges.size()), 2);
}

void TestDbcReader::textEncodings_data()
{
    QTest::addColumn<QByteArray>("unitBytes");
    QTest::addColumn<QString>("unit");
    QTest::newRow("UTF-8") << QByteArray("\xC2\xB0"
                                         "C")
                           << QString::fromUtf8("°C");
    QTest::newRow("Latin-1") << QByteArray("\xB0"
                                           "C")
                             << QString::fromUtf8("°C");
    QTest::newRow("Windows-1252 euro") << QByteArray("\x80") << QString::fromUtf8("€");
}

void TestDbcReader::textEncodings()
{
    QFETCH(QByteArray, unitBytes);
    QFETCH(QString, unit);
    const QByteArray text = "BO_ 1 M: 8 N\n SG_ T : 0|8@1+ (1,0) [0|0] \"" + unitBytes + "\" N\n";
    DbcDatabase db;
    QVERIFY(DbcReader::read(text, db).ok());
    QCOMPARE(db.messages[0].signalList[0].unit, unit);
    // The shared Windows-1252 file: a node comment of every printable character.
    const DbcDatabase cp = load("cantools/cp1252.dbc");
    QVERIFY(cp.nodeComments.value("Node1").endsWith(
        QString::fromUtf8("€‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ "
                          "¡¢£¤¥¦§¨©ª«¬­®¯°±²³´µ¶·¸¹º»¼½¾¿ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞßàáâãäåæçè"
                          "éêëìíîïðñòóôõö÷øùúûüýþÿ")
            .right(20)));
}

void TestDbcReader::faultsNameLineAndColumn_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("line");
    QTest::addColumn<int>("column");
    const QByteArray head = "VERSION \"\"\nNS_ :\n\tCM_\n\tBA_\nBS_:\nBU_: N\n";
    QTest::newRow("unknown statement") << head + "BOO_ 1 M: 8 N\n"
                                       << int(DbcReadError::UnknownStatement) << 7 << 1;
    QTest::newRow("signal before message") << head + " SG_ S : 0|8@1+ (1,0) [0|0] \"\" N\n"
                                           << int(DbcReadError::SignalOutsideMessage) << 7 << 2;
    QTest::newRow("missing colon") << head + "BO_ 1 M 8 N\n"
                                   << int(DbcReadError::ExpectedSymbol) << 7 << 9;
    QTest::newRow("length over 64") << head + "BO_ 1 M: 65 N\n"
                                    << int(DbcReadError::BadMessage) << 7 << 10;
    QTest::newRow("signal length 0") << head + "BO_ 1 M: 8 N\n SG_ S : 0|0@1+ (1,0) [0|0] \"\" N\n"
                                     << int(DbcReadError::BadSignal) << 8 << 10;
    QTest::newRow("signal past 64 bytes")
        << head + "BO_ 1 M: 8 N\n SG_ S : 510|8@1+ (1,0) [0|0] \"\" N\n"
        << int(DbcReadError::BadSignal) << 8 << 10;
    QTest::newRow("bad byte order") << head + "BO_ 1 M: 8 N\n SG_ S : 0|8@2+ (1,0) [0|0] \"\" N\n"
                                    << int(DbcReadError::ExpectedSymbol) << 8 << 14;
    QTest::newRow("factor not a number")
        << head + "BO_ 1 M: 8 N\n SG_ S : 0|8@1+ (x,0) [0|0] \"\" N\n"
        << int(DbcReadError::ExpectedNumber) << 8 << 18;
    QTest::newRow("open text") << head + "BO_ 1 M: 8 N\nCM_ BO_ 1 \"never closed;\n"
                               << int(DbcReadError::UnterminatedText) << 8 << 11;
    QTest::newRow("comment without ;")
        << head + "BO_ 1 M: 8 N\nCM_ BO_ 1 \"a\"\nVAL_ 1 S 0 \"b\";\n"
        << int(DbcReadError::ExpectedSymbol) << 8 << 14;
    QTest::newRow("float of 16 bits")
        << head + "BO_ 1 M: 8 N\n SG_ S : 0|16@1+ (1,0) [0|0] \"\" N\nSIG_VALTYPE_ 1 S : 1;\n"
        << int(DbcReadError::BadSignal) << 9 << 20;
    QTest::newRow("mux range")
        << head + "BO_ 1 M: 8 N\n SG_ S m1 : 0|8@1+ (1,0) [0|0] \"\" N\nSG_MUL_VAL_ 1 S T 1:2;\n"
        << int(DbcReadError::ExpectedSymbol) << 9 << 20;
}

void TestDbcReader::faultsNameLineAndColumn()
{
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QFETCH(int, line);
    QFETCH(int, column);
    DbcDatabase db;
    db.messages.resize(3);
    const DbcReadError error = DbcReader::read(text, db);
    QCOMPARE(int(error.kind), kind);
    QCOMPARE(error.line, line);
    QCOMPARE(error.column, column);
    QVERIFY(error.message().contains(QString::number(line)));
    // Nothing of a refused file is kept.
    QVERIFY(db.messages.empty());
    QVERIFY(!db.find(1, false));
}

QTEST_GUILESS_MAIN(TestDbcReader)
#include "tst_dbcreader.moc"

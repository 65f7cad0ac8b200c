// Send-list rows bound to database messages: the frame a bound row sends decodes to the
// values it was given (shared DBC files, Motorola and signed signals, CAN FD), counters
// and ramps wrap at their signal's range, and the list-send thread writes them anew for
// every send.

#include "database/dbcreader.h"
#include "database/itemframe.h"
#include "database/signalcodec.h"
#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "settings/settingsstore.h"
#include "tests/shared/testsetup.h"
#include "transmit/listsendrow.h"
#include "transmit/listsendthread.h"
#include "transmit/listsignals.h"

#include <QtTest>

#include <cmath>
#include <memory>

class tst_ListSignals : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void boundRowDecodesToItsValues_data();
    void boundRowDecodesToItsValues();
    void countersAndRampsWrap();
    void threadStepsEverySend();

private:
    TestHome home;
};

namespace {

const char kStepDbc[] = "VERSION \"\"\n"
                        "BU_: ECU\n"
                        "BO_ 1024 Steps: 8 ECU\n"
                        " SG_ Counter : 0|4@1+ (1,0) [0|15] \"\" ECU\n"
                        " SG_ Level : 8|8@1+ (0.5,0) [0|10] \"V\" ECU\n"
                        " SG_ Fixed : 16|8@1+ (1,0) [0|0] \"\" ECU\n"
                        "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\n"
                        "BA_ \"GenMsgCycleTime\" BO_ 1024 20;\n";

double decoded(const DbcMessage &message, const QString &name, const uint8_t *data, int size)
{
    DecodedFrame out;
    SignalCodec::decode(message, data, size, out);
    for (const DecodedSignal &v : out.values) {
        if (message.signalList[size_t(v.index)].name == name)
            return v.physical;
    }
    return NAN;
}

} // namespace

void tst_ListSignals::initTestCase()
{
    QVERIFY(home.setUp());
}

void tst_ListSignals::boundRowDecodesToItsValues_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<int>("kind");
    QTest::newRow("Motorola, signed, offset")
        << "cantools/motohawk.dbc"
        << "ExampleMessage" << QStringList{"Temperature", "AverageRadius", "Enable"}
        << QList<double>{244.52, 3.2, 1} << int(ListSendRow::Can);
    QTest::newRow("CAN FD, extended")
        << "cantools/motohawk_fd.dbc"
        << "ExampleMessage" << QStringList{"Temperature", "AverageRadius"}
        << QList<double>{231.07, 0.5} << int(ListSendRow::CanFd);
}

void tst_ListSignals::boundRowDecodesToItsValues()
{
    QFETCH(QString, file);
    QFETCH(QString, message);
    QFETCH(QStringList, names);
    QFETCH(QList<double>, values);
    QFETCH(int, kind);
    DbcDatabase db;
    QVERIFY(DbcReader::readFile(QStringLiteral(SHARED_DBC_DIR "/") + file, db).ok());
    const DbcMessage *m = messageNamed(db, message);
    QVERIFY(m);
    std::vector<ListSignalValue> given;
    for (int i = 0; i < names.size(); ++i)
        given.push_back({names[i], values[i]});
    ListSendRow row;
    bindListRow(row, *m, given);
    QVERIFY2(row.problem().isEmpty(), qPrintable(row.problem()));
    QCOMPARE(row.boundMessage, message);
    QCOMPARE(row.kind, kind);
    const ListSendFrame frame = row.frame();
    QCOMPARE(frame.id, m->id);
    QCOMPARE(frame.extended, m->extended);
    QCOMPARE(int(frame.length), m->length);
    for (int i = 0; i < names.size(); ++i) {
        const DbcSignal &s = m->signalList[size_t(m->signalIndex(names[i]))];
        const double got = decoded(*m, names[i], frame.data, frame.length);
        QVERIFY2(std::abs(got - values[i]) <= std::abs(s.factor) / 2,
                 qPrintable(QStringLiteral("%1 = %2").arg(names[i]).arg(got)));
    }
}

void tst_ListSignals::countersAndRampsWrap()
{
    DbcDatabase db;
    QVERIFY(DbcReader::read(kStepDbc, db).ok());
    const DbcMessage &m = db.messages.front();
    const std::vector<ListSignalValue> values{{"Counter", 14, ListSignalValue::Counter},
                                              {"Level", 9, ListSignalValue::Ramp, 0.5},
                                              {"Fixed", 7}};
    ListSendRow row;
    row.periodMs = 100;
    bindListRow(row, m, values);
    QCOMPARE(row.periodMs, 20); // GenMsgCycleTime
    const ListSignalStepper stepper(m, values);
    const double counters[] = {14, 15, 0, 1, 2};
    const double levels[] = {9, 9.5, 10, 0.5, 1};
    for (int send = 0; send < 5; ++send) {
        ListSendFrame f = row.frame();
        stepper.apply(send, f.data, f.length);
        QCOMPARE(decoded(m, "Counter", f.data, f.length), counters[send]);
        QCOMPARE(decoded(m, "Level", f.data, f.length), levels[send]);
        QCOMPARE(decoded(m, "Fixed", f.data, f.length), 7.0);
    }
}

void tst_ListSignals::threadStepsEverySend()
{
    DbcDatabase db;
    QVERIFY(DbcReader::read(kStepDbc, db).ok());
    const DbcMessage &m = db.messages.front();
    const std::vector<ListSignalValue> values{{"Counter", 0, ListSignalValue::Counter}};
    ListSendRow row;
    bindListRow(row, m, values);
    auto sim = std::make_shared<SimulatedAdapter>();
    setVendorBackend(sim);
    QVERIFY(openBothChannels());
    takePending();
    {
        ListSendThread thread;
        thread.startRow(0, row.frame(), 1, 20, std::make_shared<ListSignalStepper>(m, values));
        QTRY_VERIFY_WITH_TIMEOUT(!thread.isRunning(0), 20000);
    }
    QList<double> counters;
    ItemFrame item;
    for (const ModelItem &sent : takePending()) {
        if (sent.direction == QLatin1String("Tx") && readItemFrame(sent, item))
            counters << decoded(m, "Counter", item.data, item.length);
    }
    closeDevice();
    setVendorBackend(nullptr);
    takePending();
    QList<double> expected;
    for (int i = 0; i < 20; ++i)
        expected << double(i % 16);
    QCOMPARE(counters, expected);
}

QTEST_GUILESS_MAIN(tst_ListSignals)
#include "tst_listsignals.moc"

// The identifier monitor on records made by the real frame formatters: cycle statistics,
// one row per channel, direction and identifier word, rates, the changed-bytes window,
// and the window's sorting, filters, decoded signals and clearing.

#include "database/signaldatabases.h"
#include "receive/frameformat.h"
#include "statistics/idmonitor.h"
#include "statistics/idmonitormodel.h"
#include "statistics/idmonitorwindow.h"
#include "tests/shared/testsetup.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

constexpr uint64_t Ms = 1000;
constexpr uint64_t Second = 1000000;

ModelItem rx(uint32_t channel, uint32_t idWord, uint64_t timeUs, std::vector<uint8_t> bytes = {})
{
    CanRxRecord record{};
    record.id = idWord;
    record.length = uint8_t(bytes.size());
    std::copy(bytes.begin(), bytes.end(), record.data);
    record.timeStamp = timeUs;
    return formatRxFrame(channel, record, false);
}

ModelItem rxFd(uint32_t channel, uint32_t idWord, uint64_t timeUs, uint8_t length, bool brs)
{
    CanFdRxRecord record{};
    record.id = idWord;
    record.length = length;
    record.flags = brs ? 1 : 0;
    record.timeStamp = timeUs;
    return formatRxFdFrame(channel, record, false);
}

ModelItem tx(uint32_t channel, uint32_t idWord, uint64_t timeUs)
{
    CanTxRecord record{};
    record.id = idWord;
    record.length = 8;
    ModelItem item = formatTxFrame(channel, record);
    item.facts.timeUs = timeUs;
    return item;
}

// The model's text of a monitor row, as a view would show it.
QString cell(const IdMonitorModel &model, int row, int column)
{
    return model.index(row, column).data().toString();
}

QStringList column(const QAbstractItemModel *model, int column)
{
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

} // namespace

class TestIdMonitor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cycleStatistics_data();
    void cycleStatistics();
    void rowsPerChannelDirectionAndIdentifierWord();
    void rateIsTheLastFullSecond();
    void changedBytesStayMarkedForOneSecond();
    void windowSortsNumerically();
    void windowFilters_data();
    void windowFilters();
    void windowDecodesSignalsOfLoadedDatabases();
    void windowRefreshesOnlyWhenShownAndClears();
    void windowPaintsChangedBytesRed();

private:
    std::unique_ptr<TestHome> home;
};

void TestIdMonitor::initTestCase()
{
    home = std::make_unique<TestHome>();
    QVERIFY(home->setUp());
    setLanguageIndex(2);
}

void TestIdMonitor::cycleStatistics_data()
{
    QTest::addColumn<QList<int>>("stampsMs");
    QTest::addColumn<QStringList>("expected"); // last, min, mean, max, jitter (ms)
    QTest::newRow("steady") << QList<int>{0, 10, 20, 30}
                            << QStringList{"10.000", "10.000", "10.000", "10.000", "0.000"};
    QTest::newRow("alternating") << QList<int>{0, 10, 30, 40, 60}
                                 << QStringList{"20.000", "10.000", "15.000", "20.000", "5.000"};
    // Cycles 10, 20, 30: population deviation sqrt(200 / 3).
    QTest::newRow("rising") << QList<int>{100, 110, 130, 160}
                            << QStringList{"30.000", "10.000", "20.000", "30.000", "8.165"};
    // The adapter restarted: the step back is no cycle.
    QTest::newRow("clock back") << QList<int>{500, 510, 5, 25}
                                << QStringList{"20.000", "10.000", "15.000", "20.000", "5.000"};
    QTest::newRow("one frame") << QList<int>{7} << QStringList{"", "", "", "", ""};
}

void TestIdMonitor::cycleStatistics()
{
    QFETCH(QList<int>, stampsMs);
    QFETCH(QStringList, expected);
    IdMonitor monitor;
    IdMonitorModel model(&monitor, nullptr, nullptr);
    QList<ModelItem> records;
    for (int ms : stampsMs)
        records << rx(0, 0x123, uint64_t(ms) * Ms, {1, 2});
    monitor.take(records, 0);
    model.refresh(0);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(cell(model, 0, IdMonitorModel::Count), QString::number(stampsMs.size()));
    QStringList shown;
    for (int c = IdMonitorModel::Cycle; c <= IdMonitorModel::Jitter; ++c)
        shown << cell(model, 0, c);
    QCOMPARE(shown, expected);
}

void TestIdMonitor::rowsPerChannelDirectionAndIdentifierWord()
{
    IdMonitor monitor;
    IdMonitorModel model(&monitor, nullptr, nullptr);
    ModelItem fromText; // a row read back from text has no frame behind it
    fromText.id = QStringLiteral("0x123");
    monitor.take({rx(0, 0x123, 0), rx(1, 0x123, 0), tx(0, 0x123, 0),
                  rx(0, 0x123 | CanExtendedFlag, 0), rx(0, 0x123 | CanRemoteFlag, 0),
                  rxFd(1, 0x18DAF110 | CanExtendedFlag, 0, 64, true), rxFd(1, 0x7FF, 0, 12, false),
                  rx(0, 0x123, 10 * Ms), fromText},
                 0);
    model.refresh(0);
    QCOMPARE(model.rowCount(), 7);
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        rows << QStringList{cell(model, row, IdMonitorModel::Channel),
                            cell(model, row, IdMonitorModel::Direction),
                            cell(model, row, IdMonitorModel::Id),
                            cell(model, row, IdMonitorModel::Type),
                            cell(model, row, IdMonitorModel::Length),
                            cell(model, row, IdMonitorModel::Count)}
                    .join('|');
    }
    QCOMPARE(rows, QStringList({"1|Rx|0x123|CAN|0|2", "2|Rx|0x123|CAN|0|1", "1|Tx|0x123|CAN|8|1",
                                "1|Rx|0x00000123|CAN|0|1", "1|Rx|0x123|CAN remote|0|1",
                                "2|Rx|0x18DAF110|CAN FD BRS|64|1", "2|Rx|0x7FF|CAN FD|12|1"}));
    QCOMPARE(monitor.indexOf(0, false, 0x123), 2);
    QCOMPARE(monitor.indexOf(1, false, 0x123), -1);
}

void TestIdMonitor::rateIsTheLastFullSecond()
{
    IdMonitor monitor;
    IdMonitorModel model(&monitor, nullptr, nullptr);
    monitor.advanceTo(0);
    for (int i = 0; i < 10; ++i)
        monitor.take({rx(0, 0x100, uint64_t(i) * 100 * Ms)}, uint64_t(i) * 100 * Ms);
    model.refresh(999 * Ms);
    QCOMPARE(cell(model, 0, IdMonitorModel::Rate), QString("0")); // the first second runs on
    monitor.take({rx(0, 0x100, Second)}, Second);
    model.refresh(Second);
    QCOMPARE(cell(model, 0, IdMonitorModel::Rate), QString("10"));
    QCOMPARE(cell(model, 0, IdMonitorModel::Count), QString("11"));
    monitor.advanceTo(2 * Second + 500 * Ms);
    model.refresh(2 * Second + 500 * Ms);
    QCOMPARE(cell(model, 0, IdMonitorModel::Rate), QString("1"));
    QCOMPARE(cell(model, 0, IdMonitorModel::Since), QString("1.50"));
    // After a pause of more than a second nothing came in the last one.
    monitor.take({rx(0, 0x100, 2 * Second)}, 2 * Second + 600 * Ms);
    monitor.advanceTo(5 * Second);
    model.refresh(5 * Second);
    QCOMPARE(cell(model, 0, IdMonitorModel::Rate), QString("0"));
    monitor.take({rx(0, 0x100, 6 * Second), rx(0, 0x100, 7 * Second)}, 5 * Second);
    monitor.rollSecond();
    model.refresh(5 * Second);
    QCOMPARE(cell(model, 0, IdMonitorModel::Rate), QString("2"));
}

void TestIdMonitor::changedBytesStayMarkedForOneSecond()
{
    IdMonitor monitor;
    IdMonitorModel model(&monitor, nullptr, nullptr);
    const auto changed = [&](uint64_t nowUs) {
        model.refresh(nowUs);
        return model.index(0, IdMonitorModel::Data)
            .data(IdMonitorModel::ChangedBytesRole)
            .toULongLong();
    };
    monitor.take({rx(0, 0x200, 0, {0x11, 0x22, 0x33})}, 0);
    QCOMPARE(changed(0), 0ull); // the first frame is no change
    monitor.take({rx(0, 0x200, 0, {0x11, 0x2A, 0x33})}, 200 * Ms);
    QCOMPARE(changed(500 * Ms), 0b010ull);
    QCOMPARE(cell(model, 0, IdMonitorModel::Data), QString("11 2A 33"));
    monitor.take({rx(0, 0x200, 0, {0x11, 0x2A, 0x34, 0x44})}, 900 * Ms);
    QCOMPARE(changed(1100 * Ms), 0b1110ull); // a byte the last frame lacked counts too
    QCOMPARE(changed(1300 * Ms), 0b1100ull); // byte 1 changed more than a second ago
    QCOMPARE(changed(2000 * Ms), 0ull);
    QCOMPARE(model.index(0, IdMonitorModel::Count).data(IdMonitorModel::ChangedBytesRole),
             QVariant());
}

void TestIdMonitor::windowSortsNumerically()
{
    IdMonitorWindow window(nullptr, nullptr);
    QList<ModelItem> records;
    const QList<QPair<uint32_t, int>> counts = {{0x100, 2}, {0x0FF, 10}, {0x7A0, 100}};
    for (const auto &c : counts) {
        for (int i = 0; i < c.second; ++i)
            records << rx(0, c.first, uint64_t(i) * 10 * Ms);
    }
    records << rx(0, 0x0AA | CanExtendedFlag, 0);
    window.takeRecords(records);
    window.refresh();
    auto *view = window.findChild<QTableView *>();
    QAbstractItemModel *shown = view->model();
    // By identifier value: the extended 0xAA first.
    QCOMPARE(column(shown, IdMonitorModel::Id),
             QStringList({"0x000000AA", "0x0FF", "0x100", "0x7A0"}));
    view->sortByColumn(IdMonitorModel::Count, Qt::AscendingOrder);
    QCOMPARE(column(shown, IdMonitorModel::Count), QStringList({"1", "2", "10", "100"}));
    view->sortByColumn(IdMonitorModel::Id, Qt::DescendingOrder);
    QCOMPARE(column(shown, IdMonitorModel::Id),
             QStringList({"0x7A0", "0x100", "0x0FF", "0x000000AA"}));
    // Rows that have no cycle yet come before the shortest.
    view->sortByColumn(IdMonitorModel::CycleMean, Qt::AscendingOrder);
    QCOMPARE(column(shown, IdMonitorModel::CycleMean),
             QStringList({"", "10.000", "10.000", "10.000"}));
}

void TestIdMonitor::windowFilters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("channel"); // combo index: 0 all, 1 channel 1, 2 channel 2
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("all") << "" << 0 << QStringList{"1 0x01A", "1 0x1A5", "1 0x18DAF110", "2 0x1A5"};
    QTest::newRow("prefix") << "0x1A" << 0 << QStringList{"1 0x1A5", "2 0x1A5"};
    QTest::newRow("lower case") << "1a" << 0 << QStringList{"1 0x01A", "1 0x1A5", "2 0x1A5"};
    QTest::newRow("extended") << "daf" << 0 << QStringList{"1 0x18DAF110"};
    QTest::newRow("channel 2") << "" << 2 << QStringList{"2 0x1A5"};
    QTest::newRow("channel 1 and text") << "1a5" << 1 << QStringList{"1 0x1A5"};
    QTest::newRow("nothing") << "0x7" << 0 << QStringList{};
}

void TestIdMonitor::windowFilters()
{
    QFETCH(QString, text);
    QFETCH(int, channel);
    QFETCH(QStringList, shown);
    IdMonitorWindow window(nullptr, nullptr);
    window.takeRecords({rx(0, 0x01A, 0), rx(0, 0x1A5, 0), rx(0, 0x18DAF110 | CanExtendedFlag, 0),
                        rx(1, 0x1A5, 0)});
    window.refresh();
    window.findChild<QLineEdit *>()->setText(text);
    window.findChild<QComboBox *>()->setCurrentIndex(channel);
    QAbstractItemModel *view = window.findChild<QTableView *>()->model();
    QStringList rows;
    for (int row = 0; row < view->rowCount(); ++row)
        rows << view->index(row, IdMonitorModel::Channel).data().toString() + ' ' +
                    view->index(row, IdMonitorModel::Id).data().toString();
    rows.sort();
    shown.sort();
    QCOMPARE(rows, shown);
}

void TestIdMonitor::windowDecodesSignalsOfLoadedDatabases()
{
    SignalDatabases databases;
    IdMonitorWindow window(&databases, nullptr);
    // motohawk.dbc: ExampleMessage 496 (0x1F0), Enable is bit 7 of byte 0.
    window.takeRecords({rx(0, 0x1F0, 0, {0x80, 0, 0, 0, 0, 0, 0, 0}),
                        rx(1, 0x1F0, 0, {0x80, 0, 0, 0, 0, 0, 0, 0}),
                        rx(0, 0x1F0 | CanExtendedFlag, 0, {0x80}), rx(0, 0x1F1, 0, {1})});
    window.refresh();
    QTableView *view = window.findChild<QTableView *>();
    view->sortByColumn(IdMonitorModel::Channel, Qt::AscendingOrder);
    QCOMPARE(column(view->model(), IdMonitorModel::Signals), QStringList({"", "", "", ""}));
    QSignalSpy changed(view->model(), &QAbstractItemModel::dataChanged);
    QVERIFY(databases.load(1, SHARED_DBC_DIR "/cantools/motohawk.dbc").ok());
    QVERIFY(!changed.isEmpty()); // the view learns of the database without a refresh
    const QStringList texts = column(view->model(), IdMonitorModel::Signals);
    const int decoded = int(std::count_if(texts.begin(), texts.end(), [](const QString &t) {
        return t.startsWith("ExampleMessage: ") && t.contains("Enable=1 - \"Enabled\"");
    }));
    QCOMPARE(decoded, 1); // channel 1 only; the extended 0x1F0 is another message
    QVERIFY(databases.load(2, SHARED_DBC_DIR "/cantools/motohawk.dbc").ok());
    const QStringList both = column(view->model(), IdMonitorModel::Signals);
    QCOMPARE(int(std::count_if(both.begin(), both.end(),
                               [](const QString &t) { return t.startsWith("ExampleMessage"); })),
             2);
}

void TestIdMonitor::windowRefreshesOnlyWhenShownAndClears()
{
    IdMonitorWindow window(nullptr, nullptr);
    QCOMPARE(window.windowTitle(), QString("Identifier monitor"));
    QAbstractItemModel *view = window.findChild<QTableView *>()->model();
    window.takeRecords({rx(0, 0x10, 0), rx(0, 0x11, 0)});
    QTest::qWait(250);
    QCOMPARE(view->rowCount(), 0); // hidden: counted, not shown
    window.show();
    QTRY_COMPARE(view->rowCount(), 2);
    window.takeRecords({rx(0, 0x12, 0)});
    QTRY_COMPARE(view->rowCount(), 3);
    QPushButton *clear = window.findChild<QPushButton *>();
    QCOMPARE(clear->text(), QString("Clear"));
    clear->click();
    QCOMPARE(view->rowCount(), 0);
    window.takeRecords({rx(0, 0x10, 0)});
    QTRY_COMPARE(view->rowCount(), 1);
    QCOMPARE(view->index(0, IdMonitorModel::Count).data().toString(), QString("1"));
    setLanguageIndex(0);
    window.applyLanguage();
    QCOMPARE(view->headerData(IdMonitorModel::Count, Qt::Horizontal).toString(), QString("次数"));
    QCOMPARE(clear->text(), QString("清空"));
    setLanguageIndex(2);
}

void TestIdMonitor::windowPaintsChangedBytesRed()
{
    const auto redPixels = [](const QImage &image) {
        int red = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            }
        }
        return red;
    };
    IdMonitorWindow window(nullptr, nullptr);
    window.resize(1400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTableView *view = window.findChild<QTableView *>();
    QWidget *cells = view->viewport();
    window.takeRecords({rx(0, 0x300, 0, {1, 2, 3}), rx(0, 0x300, 0, {1, 2, 3})});
    window.refresh();
    view->scrollTo(view->model()->index(0, IdMonitorModel::Data));
    QCOMPARE(redPixels(cells->grab().toImage()), 0);
    window.takeRecords({rx(0, 0x300, 0, {1, 9, 3})});
    window.refresh();
    const QImage image = cells->grab().toImage();
    QVERIFY(redPixels(image) > 20);
}

QTEST_MAIN(TestIdMonitor)
#include "tst_idmonitor.moc"

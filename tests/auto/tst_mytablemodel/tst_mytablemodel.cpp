#include "receive/mytablemodel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const QStringList englishLabels{"index", "system time", "time stamp", "channel", "Rx/Tx", "ID",
                                "Frame", "type",        "DLC",        "CAN-FD",  "data"};

FrameRow makeRow(const QString &index, const QString &channel, const QString &direction,
                 const QString &id, const QString &data = QStringLiteral("x| 01 "))
{
    FrameRow row;
    row.cells = {index, "12:00:00.000",   "0x10",       channel, direction,
                 id,    "Standard Frame", "data frame", "1",     "CAN",
                 data};
    return row;
}

ModelItem itemFromRow(const FrameRow &row)
{
    ModelItem item;
    QString *texts[] = {&item.index,     &item.systemTime, &item.timeStamp, &item.channelText,
                        &item.direction, &item.id,         &item.frame,     &item.type,
                        &item.dlc,       &item.canFd,      &item.data};
    for (int i = 0; i < 11; ++i)
        *texts[i] = row.cells[i];
    return item;
}

// The merge rule as stated: the first row from the top with the same channel, direction
// and ID texts is overwritten, else the row goes to the end.
void mergeByScan(std::vector<FrameRow> &rows, const FrameRow &row)
{
    for (FrameRow &other : rows) {
        if (other.cells[3] == row.cells[3] && other.cells[4] == row.cells[4] &&
            other.cells[5] == row.cells[5]) {
            other = row;
            return;
        }
    }
    rows.push_back(row);
}

// "1 Rx 0x100" -> a row of that channel, direction and ID, numbered by serial.
FrameRow rowFromKey(const QString &key, int serial)
{
    const QStringList parts = key.split(QLatin1Char(' '));
    return makeRow(QString::number(serial), parts.at(0), parts.at(1), parts.at(2));
}

} // namespace

class tst_MyTableModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MyTableModel> model;
    std::unique_ptr<QAbstractItemModelTester> tester;
    void appendNumbered(int count);

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void columnsFollowHeaderLabels();
    void fromItemCopiesTextsInOrder();
    void appendRowsIsOneInsertion();
    void appendItemsFromOffset();
    void dataAndSetDataAnswerOnlyTextRoles();
    void mergeAppend();
    void mergeKeyIsTheExactTexts();
    void mergeFindsTheFirstRowOfItsKey_data();
    void mergeFindsTheFirstRowOfItsKey();
    void mergeItemsAnnouncesOnce();
    void filterMarksHeader();
    void headerLabelsDropMarksButKeepFilters();
    void outOfRangeFilterColumnsAreIgnored();
    void acceptance_data();
    void acceptance();
    void removeFirstRowsTrimsOldest();
    void clearRowsRemovesAll();
    void cellTextBounds();
};

void tst_MyTableModel::appendNumbered(int count)
{
    QList<FrameRow> rows;
    for (int i = 0; i < count; ++i)
        rows.append(makeRow(QString::number(model->rowCount() + i), "1", "Rx", "0x100"));
    model->appendRows(rows);
}

void tst_MyTableModel::initTestCase()
{
    qRegisterMetaType<Qt::Orientation>();
}

void tst_MyTableModel::init()
{
    model = std::make_unique<MyTableModel>();
    tester = std::make_unique<QAbstractItemModelTester>(
        model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

void tst_MyTableModel::cleanup()
{
    tester.reset();
    model.reset();
}

void tst_MyTableModel::columnsFollowHeaderLabels()
{
    appendNumbered(3);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->columnCount(), 0);
    QVERIFY(!model->index(0, 0).isValid());
    QCOMPARE(model->cellText(0, 0), QString());

    QSignalSpy inserted(model.get(), &QAbstractItemModel::columnsInserted);
    model->setHeaderLabels(englishLabels);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model->columnCount(), 11);
    QCOMPARE(model->headerLabels(), englishLabels);
    QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("ID"));
    QCOMPARE(model->cellText(2, 0), QStringLiteral("2"));
    // Vertical headers and unknown sections get the base class's answer.
    QCOMPARE(model->headerData(0, Qt::Vertical).toInt(), 1);
    QCOMPARE(model->headerData(11, Qt::Horizontal).toInt(), 12);
    QVERIFY(!model->headerData(5, Qt::Horizontal, Qt::ToolTipRole).isValid());

    QSignalSpy changed(model.get(), &QAbstractItemModel::headerDataChanged);
    QStringList chinese = englishLabels;
    chinese[0] = QStringLiteral("序号");
    model->setHeaderLabels(chinese);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("序号"));
}

void tst_MyTableModel::fromItemCopiesTextsInOrder()
{
    const FrameRow row = makeRow("7", "2", "Tx", "0x1FFFFFFF", "x| ");
    ModelItem item = itemFromRow(row);
    item.channel = 1;
    QCOMPARE(FrameRow::fromItem(item).cells, row.cells);
}

void tst_MyTableModel::appendRowsIsOneInsertion()
{
    model->setHeaderLabels(englishLabels);
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    model->appendRows({});
    QCOMPARE(inserted.count(), 0);
    appendNumbered(2);
    appendNumbered(3);
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(inserted.at(1).at(1).toInt(), 2);
    QCOMPARE(inserted.at(1).at(2).toInt(), 4);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(model->cellText(row, 0), QString::number(row));
}

// Rows appended straight from records keep every text, also where neighbouring rows
// repeat or alternate the shared columns.
void tst_MyTableModel::appendItemsFromOffset()
{
    model->setHeaderLabels(englishLabels);
    QList<ModelItem> items;
    QList<FrameRow> rows;
    for (int i = 0; i < 6; ++i) {
        FrameRow row = makeRow(QString::number(i), QString::number(1 + i % 2), i < 3 ? "Rx" : "Tx",
                               QStringLiteral("0x%1").arg(i / 2));
        rows << row;
        items << itemFromRow(row);
    }
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    model->appendItems(items, 6);
    QCOMPARE(inserted.count(), 0);
    model->appendItems(items, 4);
    model->appendItems(items, -1);
    QCOMPARE(inserted.count(), 2);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1);
    QCOMPARE(inserted.at(1).at(1).toInt(), 2);
    QCOMPARE(inserted.at(1).at(2).toInt(), 7);
    const QList<FrameRow> expected = rows.mid(4) + rows;
    QCOMPARE(model->rowCount(), expected.size());
    for (int row = 0; row < expected.size(); ++row) {
        for (int column = 0; column < MyTableModel::ColumnCount; ++column)
            QCOMPARE(model->cellText(row, column), expected.at(row).cells[column]);
    }
}

void tst_MyTableModel::dataAndSetDataAnswerOnlyTextRoles()
{
    model->setHeaderLabels(englishLabels);
    appendNumbered(1);
    const QModelIndex cell = model->index(0, 10);
    QCOMPARE(model->data(cell).toString(), QStringLiteral("x| 01 "));
    QCOMPARE(model->data(cell, Qt::EditRole).toString(), QStringLiteral("x| 01 "));
    QVERIFY(!model->data(cell, Qt::ForegroundRole).isValid());
    QVERIFY(!model->data(cell, Qt::TextAlignmentRole).isValid());
    QVERIFY(!model->data(QModelIndex()).isValid());
    QVERIFY(!(model->flags(cell) & Qt::ItemIsEditable));

    QSignalSpy changed(model.get(), &QAbstractItemModel::dataChanged);
    QVERIFY(!model->setData(cell, "x", Qt::ToolTipRole));
    QVERIFY(!model->setData(QModelIndex(), "x"));
    QCOMPARE(changed.count(), 0);
    QVERIFY(model->setData(cell, 42));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(model->cellText(0, 10), QStringLiteral("42"));
}

void tst_MyTableModel::mergeAppend()
{
    model->setHeaderLabels(englishLabels);
    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
    model->appendRow(makeRow("1", "1", "Rx", "0x100"));
    model->appendRow(makeRow("2", "1", "Tx", "0x100"));
    model->appendRow(makeRow("3", "2", "Rx", "0x100"));
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(reset.count(), 0);

    model->appendRow(makeRow("4", "1", "Rx", "0x100", "x| FF "));
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model->cellText(0, 0), QStringLiteral("4"));
    QCOMPARE(model->cellText(0, 10), QStringLiteral("x| FF "));
    QCOMPARE(model->cellText(1, 0), QStringLiteral("2"));
}

void tst_MyTableModel::mergeKeyIsTheExactTexts()
{
    model->setHeaderLabels(englishLabels);
    model->appendRow(makeRow("1", "1", "Rx", "0x100"));
    model->appendRow(makeRow("2", "1", "Rx", "0x00000100")); // extended: other text
    QCOMPARE(model->rowCount(), 2);
    FrameRow fd = makeRow("3", "1", "Rx", "0x100");
    fd.cells[7] = QStringLiteral("remote frame");
    fd.cells[9] = QStringLiteral("CANFD");
    model->appendRow(fd); // classic and CAN FD, data and remote share the row
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->cellText(0, 9), QStringLiteral("CANFD"));
    QCOMPARE(model->cellText(0, 7), QStringLiteral("remote frame"));
}

// Steps: "merge <key>" (appendRow), "batch <key>;<key>;..." (mergeItems), "plain <key>"
// (appendRows), "trim <n>", "edit <row> <id>" (setData on the ID cell), "clear".
void tst_MyTableModel::mergeFindsTheFirstRowOfItsKey_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::newRow("batch of new keys") << QStringList{"batch 1 Rx 0x1;1 Rx 0x2;2 Rx 0x1"};
    QTest::newRow("key repeated inside a batch")
        << QStringList{"merge 1 Rx 0x1", "batch 1 Rx 0x2;1 Rx 0x1;1 Rx 0x2;1 Tx 0x2;1 Rx 0x2"};
    QTest::newRow("after trimming")
        << QStringList{"batch 1 Rx 0x1;1 Rx 0x2;1 Rx 0x3;1 Rx 0x4", "trim 2",
                       "batch 1 Rx 0x1;1 Rx 0x4;1 Rx 0x3", "trim 1", "merge 1 Rx 0x4"};
    QTest::newRow("plain appends leave duplicates") << QStringList{
        "plain 1 Rx 0x1", "plain 1 Rx 0x1", "merge 1 Rx 0x1", "trim 1", "batch 1 Rx 0x1;1 Rx 0x1"};
    QTest::newRow("merge after plain append of a known key")
        << QStringList{"merge 1 Rx 0x1", "merge 1 Rx 0x2", "plain 1 Rx 0x2", "trim 1",
                       "merge 1 Rx 0x2", "trim 1",         "batch 1 Rx 0x2"};
    QTest::newRow("edited ID") << QStringList{"merge 1 Rx 0x1", "merge 1 Rx 0x2", "edit 0 0x2",
                                              "batch 1 Rx 0x2;1 Rx 0x1"};
    QTest::newRow("cleared") << QStringList{"merge 1 Rx 0x1", "clear", "batch 1 Rx 0x1;1 Rx 0x1"};
}

void tst_MyTableModel::mergeFindsTheFirstRowOfItsKey()
{
    QFETCH(QStringList, steps);
    model->setHeaderLabels(englishLabels);
    std::vector<FrameRow> expected;
    int serial = 0;
    for (const QString &step : steps) {
        const QString verb = step.section(QLatin1Char(' '), 0, 0);
        const QString rest = step.section(QLatin1Char(' '), 1);
        if (verb == QLatin1String("merge")) {
            const FrameRow row = rowFromKey(rest, ++serial);
            model->appendRow(row);
            mergeByScan(expected, row);
        } else if (verb == QLatin1String("batch")) {
            QList<ModelItem> items;
            for (const QString &key : rest.split(QLatin1Char(';'))) {
                const FrameRow row = rowFromKey(key, ++serial);
                items << itemFromRow(row);
                mergeByScan(expected, row);
            }
            model->mergeItems(items);
        } else if (verb == QLatin1String("plain")) {
            const FrameRow row = rowFromKey(rest, ++serial);
            model->appendRows({row});
            expected.push_back(row);
        } else if (verb == QLatin1String("trim")) {
            model->removeFirstRows(rest.toInt());
            expected.erase(expected.begin(), expected.begin() + rest.toInt());
        } else if (verb == QLatin1String("edit")) {
            const int row = rest.section(QLatin1Char(' '), 0, 0).toInt();
            QVERIFY(model->setData(model->index(row, 5), rest.section(QLatin1Char(' '), 1)));
            expected[size_t(row)].cells[5] = rest.section(QLatin1Char(' '), 1);
        } else {
            model->clearRows();
            expected.clear();
        }
        QCOMPARE(model->rowCount(), int(expected.size()));
        for (int row = 0; row < model->rowCount(); ++row) {
            for (int column = 0; column < MyTableModel::ColumnCount; ++column)
                QCOMPARE(model->cellText(row, column), expected[size_t(row)].cells[column]);
        }
    }
}

void tst_MyTableModel::mergeItemsAnnouncesOnce()
{
    model->setHeaderLabels(englishLabels);
    QSignalSpy inserted(model.get(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(model.get(), &QAbstractItemModel::modelReset);
    const QList<ModelItem> fresh{itemFromRow(makeRow("1", "1", "Rx", "0x1")),
                                 itemFromRow(makeRow("2", "1", "Rx", "0x2")),
                                 itemFromRow(makeRow("3", "1", "Rx", "0x1"))};
    model->mergeItems(fresh);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 1);
    QCOMPARE(reset.count(), 0);

    const QList<ModelItem> mixed{itemFromRow(makeRow("4", "1", "Rx", "0x2")),
                                 itemFromRow(makeRow("5", "2", "Rx", "0x2")),
                                 itemFromRow(makeRow("6", "1", "Rx", "0x1"))};
    model->mergeItems(mixed, 1); // from the second item on
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->cellText(0, 0), QStringLiteral("6"));
    QCOMPARE(model->cellText(1, 0), QStringLiteral("2"));
    QCOMPARE(model->cellText(2, 0), QStringLiteral("5"));
}

void tst_MyTableModel::filterMarksHeader()
{
    model->setHeaderLabels(englishLabels);
    QVERIFY(!model->hasColumnFilters());
    model->setColumnFilter({"0x100"}, 5);
    QCOMPARE(model->headerLabels().at(5), QStringLiteral("ID*"));
    QVERIFY(model->hasColumnFilters());
    model->setColumnFilter({"0x100"}, 5);
    model->setColumnFilter({"0x100", "0x200"}, 5);
    QCOMPARE(model->headerLabels().at(5), QStringLiteral("ID*"));
    QCOMPARE(model->headerData(5, Qt::Horizontal).toString(), QStringLiteral("ID*"));
    model->setColumnFilter({}, 5);
    QCOMPARE(model->headerLabels().at(5), QStringLiteral("ID"));
    QVERIFY(!model->hasColumnFilters());
}

void tst_MyTableModel::headerLabelsDropMarksButKeepFilters()
{
    model->setHeaderLabels(englishLabels);
    appendNumbered(2);
    model->setColumnFilter({"Rx"}, 4);
    QCOMPARE(model->rowCount(), 2); // rows already shown stay
    model->setHeaderLabels(englishLabels);
    QCOMPARE(model->headerLabels().at(4), QStringLiteral("Rx/Tx"));
    QVERIFY(!model->acceptsRow(makeRow("1", "1", "Tx", "0x1")));
    QVERIFY(model->acceptsRow(makeRow("1", "1", "Rx", "0x1")));
}

void tst_MyTableModel::outOfRangeFilterColumnsAreIgnored()
{
    model->setColumnFilter({"Rx"}, 4); // no labels yet
    QVERIFY(!model->hasColumnFilters());
    model->setHeaderLabels(englishLabels.mid(0, 3));
    model->setColumnFilter({"Rx"}, 4);
    model->setColumnFilter({"Rx"}, -1);
    model->setColumnFilter({"Rx"}, 11);
    QVERIFY(!model->hasColumnFilters());
    QCOMPARE(model->headerLabels(), englishLabels.mid(0, 3));
}

void tst_MyTableModel::acceptance_data()
{
    QTest::addColumn<QStringList>("directionFilter");
    QTest::addColumn<QStringList>("idFilter");
    QTest::addColumn<QString>("direction");
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("accepted");
    const QStringList none;
    QTest::newRow("no filters") << none << none << "Tx"
                                << "0x1" << true;
    QTest::newRow("direction rejects Tx") << QStringList{"Rx"} << none << "Tx"
                                          << "0x1" << false;
    QTest::newRow("direction accepts Rx") << QStringList{"Rx"} << none << "Rx"
                                          << "0x1" << true;
    QTest::newRow("case-sensitive") << QStringList{"rx"} << none << "Rx"
                                    << "0x1" << false;
    QTest::newRow("both match") << QStringList{"Rx"} << QStringList{"0x1", "0x2"} << "Rx"
                                << "0x2" << true;
    QTest::newRow("second fails") << QStringList{"Rx"} << QStringList{"0x1"} << "Rx"
                                  << "0x2" << false;
}

void tst_MyTableModel::acceptance()
{
    QFETCH(QStringList, directionFilter);
    QFETCH(QStringList, idFilter);
    QFETCH(QString, direction);
    QFETCH(QString, id);
    QFETCH(bool, accepted);
    model->setHeaderLabels(englishLabels);
    model->setColumnFilter(directionFilter, 4);
    model->setColumnFilter(idFilter, 5);
    const FrameRow row = makeRow("1", "1", direction, id);
    QCOMPARE(model->acceptsRow(row), accepted);
    QCOMPARE(model->acceptsItem(itemFromRow(row)), accepted);
}

void tst_MyTableModel::removeFirstRowsTrimsOldest()
{
    model->setHeaderLabels(englishLabels);
    appendNumbered(5);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    model->removeFirstRows(0);
    model->removeFirstRows(-3);
    QCOMPARE(removed.count(), 0);
    model->removeFirstRows(2);
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->cellText(0, 0), QStringLiteral("2"));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(1).toInt(), 0);
    QCOMPARE(removed.at(0).at(2).toInt(), 1);
    model->removeFirstRows(100);
    QCOMPARE(model->rowCount(), 0);
    model->removeFirstRows(1);
    appendNumbered(1);
    QCOMPARE(model->cellText(0, 0), QStringLiteral("0"));
}

void tst_MyTableModel::clearRowsRemovesAll()
{
    model->setHeaderLabels(englishLabels);
    QSignalSpy removed(model.get(), &QAbstractItemModel::rowsRemoved);
    model->clearRows();
    QCOMPARE(removed.count(), 0);
    appendNumbered(4);
    model->clearRows();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(2).toInt(), 3);
    QCOMPARE(model->rowCount(), 0);
}

void tst_MyTableModel::cellTextBounds()
{
    model->setHeaderLabels(englishLabels);
    appendNumbered(2);
    QCOMPARE(model->cellText(1, 10), QStringLiteral("x| 01 "));
    QCOMPARE(model->cellText(1, 11), QString());
    QCOMPARE(model->cellText(2, 0), QString());
    QCOMPARE(model->cellText(-1, 0), QString());
    QCOMPARE(model->cellText(0, -1), QString());
    model->setHeaderLabels(englishLabels.mid(0, 4));
    QCOMPARE(model->cellText(0, 3), QStringLiteral("1"));
    QCOMPARE(model->cellText(0, 4), QString());
}

QTEST_GUILESS_MAIN(tst_MyTableModel)
#include "tst_mytablemodel.moc"

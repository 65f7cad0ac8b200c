#include "receive/displayfilter.h"
#include "receive/mytablemodel.h"
#include "receive/siftdialog.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QtTest>

namespace {

const QStringList Labels = {"序号",  "系统时间", "时间标识", "通道",   "收/发", "ID",
                            "Frame", "类型",     "DLC",      "CAN-FD", "数据"};

FrameRow makeRow(const QString &direction, const QString &id)
{
    FrameRow row;
    for (int c = 0; c < 11; ++c)
        row.cells[size_t(c)] = QString("c%1").arg(c);
    row.cells[3] = "1";
    row.cells[4] = direction;
    row.cells[5] = id;
    return row;
}

// One entry of the list as a user sees it: its text and its tick.
struct Entry
{
    QListWidgetItem *item;
    QString text() const { return item->text(); }
    bool isChecked() const { return item->checkState() == Qt::Checked; }
    void setChecked(bool on) { item->setCheckState(on ? Qt::Checked : Qt::Unchecked); }
    Entry *operator->() { return this; }
};

} // namespace

class tst_SiftDialog : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { setLanguageIndex(0); }
    void emptyListHasOnlyAll();
    void allTicksEveryValue();
    void searchKeepsSelection();
    void searchWithoutMatch();
    void applyRules_data();
    void applyRules();
    void cancelAndDeactivate();
    void headerMenuFiltersAndShowsAll();
    void headerMenuTexts_data();
    void headerMenuTexts();
    void clearAllFilters();

private:
    static QListWidget *list(SiftDialog &d) { return d.findChild<QListWidget *>("listSift"); }
    static QLineEdit *search(SiftDialog &d) { return d.findChild<QLineEdit *>("editSift"); }
    // The i-th entry shown (hidden entries do not count).
    static Entry entry(SiftDialog &d, int i)
    {
        for (int row = 0; row < list(d)->count(); ++row)
            if (!list(d)->item(row)->isHidden() && i-- == 0)
                return Entry{list(d)->item(row)};
        qFatal("no entry %d", i);
    }
    static QStringList entries(SiftDialog &d);
};

QStringList tst_SiftDialog::entries(SiftDialog &d)
{
    QStringList texts;
    for (int i = 0; i < list(d)->count(); ++i)
        if (!list(d)->item(i)->isHidden())
            texts << list(d)->item(i)->text();
    return texts;
}

void tst_SiftDialog::emptyListHasOnlyAll()
{
    SiftDialog d;
    d.setValues({}, 5);
    QCOMPARE(entries(d), QStringList{"全部"});
    QVERIFY(d.windowFlags() & Qt::FramelessWindowHint);
    setLanguageIndex(2);
    d.setValues({"0x1"}, 5);
    QCOMPARE(entries(d), QStringList({"all", "0x1"}));
}

void tst_SiftDialog::allTicksEveryValue()
{
    SiftDialog d;
    d.setValues({"0x100", "0x200", "0x300"}, 5);
    entry(d, 0)->setChecked(true);
    QCOMPARE(d.selectedValues(), QStringList({"0x100", "0x200", "0x300"}));
    entry(d, 2)->setChecked(false);
    QVERIFY(!entry(d, 0)->isChecked());
    QVERIFY(entry(d, 1)->isChecked());
    QVERIFY(entry(d, 3)->isChecked());
    QCOMPARE(d.selectedValues(), QStringList({"0x100", "0x300"}));
    // A new setValues starts a new selection.
    d.setValues({"0x100"}, 5);
    QVERIFY(d.selectedValues().isEmpty());
    QVERIFY(!entry(d, 1)->isChecked());
}

void tst_SiftDialog::searchKeepsSelection()
{
    SiftDialog d;
    d.setValues({"0x100", "0x1FF", "0x010", "0x200"}, 5);
    entry(d, 1)->setChecked(true); // 0x100
    QTest::keyClicks(search(d), "0x1");
    QCOMPARE(entries(d), QStringList({"全部", "0x100", "0x1FF"}));
    QVERIFY(entry(d, 1)->isChecked());
    QCOMPARE(d.selectedValues(), QStringList{"0x100"});

    search(d)->clear();
    QTest::keyClicks(search(d), "0X2"); // ignores case
    QCOMPARE(entries(d), QStringList({"全部", "0x200"}));
    entry(d, 1)->setChecked(true);
    QCOMPARE(d.selectedValues(), QStringList({"0x100", "0x200"}));

    QSignalSpy spy(&d, &SiftDialog::siftedData);
    d.findChild<QPushButton *>("btnSiftOK")->click();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), QStringList({"0x100", "0x200"}));
    QCOMPARE(spy.at(0).at(1).toInt(), 5);
    QVERIFY(search(d)->text().isEmpty());
}

void tst_SiftDialog::searchWithoutMatch()
{
    SiftDialog d;
    d.setValues({"0x100"}, 5);
    QTest::keyClicks(search(d), "zz");
    QVERIFY(entries(d).isEmpty());
    QTest::keyClick(search(d), Qt::Key_Backspace);
    QTest::keyClick(search(d), Qt::Key_Backspace);
    QCOMPARE(entries(d), QStringList({"全部", "0x100"}));
}

void tst_SiftDialog::applyRules_data()
{
    QTest::addColumn<int>("tick");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("emitted");
    QTest::newRow("nothing removes the filter") << -1 << "" << QStringList();
    QTest::newRow("search text alone") << -1 << "0x123" << QStringList{"0x123"};
    QTest::newRow("ticked value wins") << 1 << "" << QStringList{"Rx"};
}

void tst_SiftDialog::applyRules()
{
    QFETCH(int, tick);
    QFETCH(QString, text);
    QFETCH(QStringList, emitted);
    SiftDialog d;
    d.setValues({"Rx", "Tx"}, 4);
    if (tick >= 0)
        entry(d, tick)->setChecked(true);
    QTest::keyClicks(search(d), text);
    d.show();
    QSignalSpy spy(&d, &SiftDialog::siftedData);
    d.findChild<QPushButton *>("btnSiftOK")->click();
    QVERIFY(!d.isVisible());
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toStringList(), emitted);
    QCOMPARE(spy.at(0).at(1).toInt(), 4);
}

void tst_SiftDialog::cancelAndDeactivate()
{
    SiftDialog d;
    d.setValues({"Rx"}, 4);
    QSignalSpy spy(&d, &SiftDialog::siftedData);
    QTest::keyClicks(search(d), "R");
    d.show();
    d.findChild<QPushButton *>("btnSiftCancel")->click();
    QVERIFY(!d.isVisible());
    d.show();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&d, &deactivate);
    QVERIFY(!d.isVisible());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(search(d)->text(), QString("R")); // only apply clears the search text
}

// The main-window side: a table with a header menu, driven through its actions.
void tst_SiftDialog::headerMenuFiltersAndShowsAll()
{
    QMainWindow window;
    auto *view = new QTableView(&window);
    window.setCentralWidget(view);
    MyTableModel model;
    model.setHeaderLabels(Labels);
    view->setModel(&model);
    model.appendRows({makeRow("Rx", "0x100"), makeRow("Tx", "0x200"), makeRow("Rx", "0x100")});
    window.show();
    DisplayFilter filter(view, &model, &window);
    QCOMPARE(filter.columnValues(5), QStringList({"0x100", "0x200"}));

    const QHeaderView *header = view->horizontalHeader();
    const QPoint idPos(header->sectionViewportPosition(5) + 2, 2);
    std::unique_ptr<QMenu> menu(filter.createHeaderMenu(idPos));
    QVERIFY(menu);
    menu->actions().at(0)->trigger(); // "筛选"
    SiftDialog *sift = filter.siftDialog();
    QVERIFY(sift->isVisible());
    QCOMPARE(sift->pos(), header->mapTo(&window, idPos) + window.pos());
    QCOMPARE(entries(*sift), QStringList({"全部", "0x100", "0x200"}));
    entry(*sift, 1)->setChecked(true);
    sift->findChild<QPushButton *>("btnSiftOK")->click();
    QVERIFY(!model.acceptsRow(makeRow("Rx", "0x200")));
    QVERIFY(model.acceptsRow(makeRow("Rx", "0x100")));
    QCOMPARE(model.headerData(5, Qt::Horizontal).toString(), QString("ID*"));
    QCOMPARE(model.rowCount(), 3); // rows already shown stay

    menu.reset(filter.createHeaderMenu(idPos));
    menu->actions().at(1)->trigger(); // "显示全部"
    QVERIFY(model.acceptsRow(makeRow("Rx", "0x200")));
    QCOMPARE(model.headerData(5, Qt::Horizontal).toString(), QString("ID"));

    // Outside every column there is no menu.
    QVERIFY(!filter.createHeaderMenu(QPoint(header->length() + 50, 2)));
}

void tst_SiftDialog::headerMenuTexts_data()
{
    QTest::addColumn<uint>("language");
    QTest::addColumn<QString>("sift");
    QTest::addColumn<QString>("all");
    QTest::newRow("zh") << 0u << "筛选"
                        << "显示全部";
    QTest::newRow("tw") << 1u << "篩選"
                        << "顯示全部";
    QTest::newRow("en") << 2u << "sift"
                        << "show all";
}

void tst_SiftDialog::headerMenuTexts()
{
    QFETCH(uint, language);
    setLanguageIndex(language);
    QMainWindow window;
    auto *view = new QTableView(&window);
    window.setCentralWidget(view);
    MyTableModel model;
    model.setHeaderLabels(Labels);
    view->setModel(&model);
    window.show();
    DisplayFilter filter(view, &model, &window);
    // An open dialog is hidden when the menu is requested.
    filter.siftDialog()->show();
    std::unique_ptr<QMenu> menu(filter.createHeaderMenu(QPoint(2, 2)));
    QVERIFY(!filter.siftDialog()->isVisible());
    QCOMPARE(menu->actions().size(), 2);
    QTEST(menu->actions().at(0)->text(), "sift");
    QTEST(menu->actions().at(1)->text(), "all");
}

void tst_SiftDialog::clearAllFilters()
{
    QMainWindow window;
    auto *view = new QTableView(&window);
    MyTableModel model;
    model.setHeaderLabels(Labels);
    view->setModel(&model);
    DisplayFilter filter(view, &model, &window);
    model.setColumnFilter({"Tx"}, 4);
    model.setColumnFilter({"0x1"}, 5);
    filter.clearAllFilters();
    QVERIFY(model.acceptsRow(makeRow("Rx", "0x2")));
    QCOMPARE(model.headerLabels(), Labels);
}

QTEST_MAIN(tst_SiftDialog)
#include "tst_siftdialog.moc"

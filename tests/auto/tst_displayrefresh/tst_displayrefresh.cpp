// The display refresh: numbering, counting, pause, trimming to the list buffer, merge,
// recording scopes and recording failures, clear and reset, rates.

#include "tests/shared/windowfixture.h"

#include "app/mainmenus.h"
#include "receive/mytablemodel.h"
#include "tests/shared/windowparts.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class tst_DisplayRefresh : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void numbersAndCountsEveryFrame();
    void pauseCountsButDoesNotShow();
    void trimming_data();
    void trimming();
    void loweredBufferHoldsLimit_data();
    void loweredBufferHoldsLimit();
    void zeroBufferShowsNothing();
    void clearRestartsNumberingKeepsCounts();
    void resetCountsLeavesRates();
    void ratesPerChannelAndDirection();
    void mergeOptionClearsListAndFilters();
    void mergeAppendKeepsOneRowPerId();
    void mergeBurstLargerThanBufferKeepsEarlyIds();
    void rowsPendingAtExitAreRecorded();
    void recordingScopes_data();
    void recordingScopes();
    void recordingTruncatesExistingFile();
    void recordingPausedFramesAreStillWritten();
    void recordingOpenFailureIsReported();
    void recordingWriteFailureStopsRecording();

private:
    QStringList column(int column) const;
    QStringList fileLines(const QString &path) const;
    MyTableModel *model() const { return frameModelOf(fixture->window.get()); }
    std::unique_ptr<WindowFixture> fixture;
    MainWindow *w = nullptr;
};

void tst_DisplayRefresh::init()
{
    fixture = std::make_unique<WindowFixture>();
    w = fixture->open();
}

void tst_DisplayRefresh::cleanup()
{
    fixture.reset();
}

QStringList tst_DisplayRefresh::column(int col) const
{
    QStringList texts;
    for (int row = 0; row < model()->rowCount(); ++row)
        texts << model()->cellText(row, col);
    return texts;
}

QStringList tst_DisplayRefresh::fileLines(const QString &path) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

void tst_DisplayRefresh::numbersAndCountsEveryFrame()
{
    feed(3, 0, true);
    feed(2, 1, false);
    const QTime before = QTime::currentTime();
    w->refreshDisplay();
    const QTime after = QTime::currentTime();
    QCOMPARE(column(0), QStringList({"1", "2", "3", "4", "5"}));
    for (const QString &text : column(1)) { // the time of day of the refresh
        QCOMPARE(text.size(), 12);
        const QTime shown = QTime::fromString(text, QStringLiteral("hh:mm:ss.zzz"));
        QVERIFY(shown.isValid());
        if (before <= after) // not across midnight
            QVERIFY(shown >= before && shown <= after);
    }
    const DisplayCounters &c = countersOf(w);
    QCOMPARE(c.totals[Ch1Rx], 3u);
    QCOMPARE(c.totals[Ch2Tx], 2u);
    QCOMPARE(c.totals[Ch2Rx] + c.totals[Ch1Tx], 0u);
    QCOMPARE(c.framesTaken, 5u);
    QCOMPARE(w->findChild<QLabel *>("labelCh1RxCnt")->text(), QString("3"));
    QCOMPARE(w->findChild<QLabel *>("labelCh2TxCnt")->text(), QString("2"));
}

void tst_DisplayRefresh::pauseCountsButDoesNotShow()
{
    auto *pause = w->findChild<QCheckBox *>("checkBox_7");
    feed(2);
    w->refreshDisplay();
    pause->setChecked(true);
    feed(5);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(countersOf(w).totals[Ch1Rx], 7u);
    pause->setChecked(false);
    feed(1);
    w->refreshDisplay();
    // Paused frames are not kept for later; numbering runs on, leaving a gap.
    QCOMPARE(column(0), QStringList({"1", "2", "8"}));
}

void tst_DisplayRefresh::trimming_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("incoming");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("firstIndex");
    QTest::newRow("burst above buffer") << 0 << 2500 << 1000 << "1501";
    QTest::newRow("300 plus 800") << 300 << 800 << 1000 << "101";
    QTest::newRow("fits") << 300 << 700 << 1000 << "1";
    QTest::newRow("full table, burst") << 1000 << 1200 << 1000 << "1201";
}

void tst_DisplayRefresh::trimming()
{
    QFETCH(int, before);
    QFETCH(int, incoming);
    QFETCH(int, rows);
    QFETCH(QString, firstIndex);
    feed(before);
    w->refreshDisplay();
    feed(incoming);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), rows);
    QCOMPARE(model()->cellText(0, 0), firstIndex);
    QCOMPARE(model()->cellText(rows - 1, 0), QString::number(before + incoming));
}

void tst_DisplayRefresh::loweredBufferHoldsLimit_data()
{
    QTest::addColumn<int>("incoming");
    QTest::newRow("fewer than the buffer") << 3;
    QTest::newRow("as many as the buffer") << 10;
    QTest::newRow("more than the buffer") << 15;
}

void tst_DisplayRefresh::loweredBufferHoldsLimit()
{
    QFETCH(int, incoming);
    feed(1000);
    w->refreshDisplay();
    w->applyValue(QStringLiteral("10"), 2);
    QCOMPARE(listLimitOf(w), 10u);
    QCOMPARE(readSetting("listCount", "1000"), QString("10"));
    QVERIFY(menusOf(w)->listBufferAction->text().contains("(10)"));
    feed(incoming);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 10);
    QCOMPARE(model()->cellText(9, 0), QString::number(1000 + incoming));
}

void tst_DisplayRefresh::zeroBufferShowsNothing()
{
    feed(5);
    w->refreshDisplay();
    w->applyValue(QStringLiteral("many"), 2);
    QCOMPARE(listLimitOf(w), 0u);
    feed(5);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 5); // the rows there are stay, no new ones are shown
    QCOMPARE(countersOf(w).totals[Ch1Rx], 10u);
    w->applyValue(QStringLiteral("4"), 2);
    feed(6);
    w->refreshDisplay();
    QCOMPARE(column(0), QStringList({"13", "14", "15", "16"}));
}

void tst_DisplayRefresh::clearRestartsNumberingKeepsCounts()
{
    feed(4);
    w->refreshDisplay();
    w->findChild<QPushButton *>("cleanListBtn")->click();
    QCOMPARE(model()->rowCount(), 0);
    feed(1);
    w->refreshDisplay();
    QCOMPARE(column(0), QStringList({"1"}));
    QCOMPARE(countersOf(w).totals[Ch1Rx], 5u);
    QCOMPARE(countersOf(w).rateCounters[Ch1Rx], 5u);
}

void tst_DisplayRefresh::resetCountsLeavesRates()
{
    feed(4);
    w->refreshDisplay();
    w->findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(countersOf(w).totals[Ch1Rx], 0u);
    QCOMPARE(w->findChild<QLabel *>("labelCh1RxCnt")->text(), QString("0"));
    QCOMPARE(countersOf(w).rateCounters[Ch1Rx], 4u);
    w->updateRates();
    QCOMPARE(w->findChild<QLabel *>("labelch1RxSpeed")->text(), QString("4/s;"));
}

void tst_DisplayRefresh::ratesPerChannelAndDirection()
{
    feed(7, 1, false);
    feed(2, 0, true);
    w->refreshDisplay();
    w->updateRates();
    QCOMPARE(w->findChild<QLabel *>("labelch2TxSpeed")->text(), QString("7/s;"));
    QCOMPARE(w->findChild<QLabel *>("labelch1RxSpeed")->text(), QString("2/s;"));
    QCOMPARE(w->findChild<QLabel *>("labelch2RxSpeed")->text(), QString("0/s;"));
    QCOMPARE(w->findChild<QLabel *>("labelch1TxSpeed")->text(), QString("0/s;"));
    w->updateRates();
    QCOMPARE(w->findChild<QLabel *>("labelch2TxSpeed")->text(), QString("0/s;"));
    QCOMPARE(countersOf(w).totals[Ch2Tx], 7u);
}

void tst_DisplayRefresh::mergeOptionClearsListAndFilters()
{
    feed(3);
    w->refreshDisplay();
    model()->setColumnFilter({"Rx"}, 4);
    QVERIFY(model()->hasColumnFilters());
    menusOf(w)->mergeAction->trigger();
    QCOMPARE(model()->rowCount(), 0);
    QVERIFY(!model()->hasColumnFilters());
    QCOMPARE(readSetting("merge", "0"), QString("1"));
    feed(1);
    w->refreshDisplay();
    QCOMPARE(column(0), QStringList({"1"}));
    // Turning it off leaves the table as it is.
    menusOf(w)->mergeAction->trigger();
    QCOMPARE(model()->rowCount(), 1);
    QCOMPARE(readSetting("merge", "1"), QString("0"));
}

void tst_DisplayRefresh::mergeAppendKeepsOneRowPerId()
{
    menusOf(w)->mergeAction->trigger();
    QList<ModelItem> batch;
    for (int i = 0; i < 6; ++i)
        batch << makeFrame(0, true, 0x100 + uint32_t(i % 2));
    appendPending(batch);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(countersOf(w).totals[Ch1Rx], 6u);
}

// An identifier seen only at the start of a burst larger than the list buffer keeps its
// row; distinct identifiers beyond the buffer are trimmed afterwards, oldest first.
void tst_DisplayRefresh::mergeBurstLargerThanBufferKeepsEarlyIds()
{
    menusOf(w)->mergeAction->trigger();
    w->applyValue(QStringLiteral("3"), 2);
    QList<ModelItem> batch{makeFrame(0, true, 0x1)};
    for (int i = 0; i < 20; ++i)
        batch << makeFrame(0, true, 0x2 + uint32_t(i % 2));
    appendPending(batch);
    w->refreshDisplay();
    QCOMPARE(column(5), QStringList({"0x1", "0x2", "0x3"}));
    feed(5, 0, true, 0x10);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 3);
    QCOMPARE(column(5), QStringList({"0x12", "0x13", "0x14"}));
}

// Frames still queued when the window closes are numbered and written before the
// recording is closed.
void tst_DisplayRefresh::rowsPendingAtExitAreRecorded()
{
    const QString path = fixture->path(QStringLiteral("/exit.csv"));
    QVERIFY(w->startRecording(path, 0));
    feed(10);
    w->refreshDisplay();
    feed(10, 1, false, 0x200);
    fixture->window.reset();
    const QStringList lines = fileLines(path);
    QCOMPARE(lines.size(), 21);
    QVERIFY(lines.last().startsWith(QStringLiteral("20,")));
}

void tst_DisplayRefresh::recordingScopes_data()
{
    QTest::addColumn<int>("scope");
    QTest::addColumn<int>("rows");
    QTest::newRow("all data") << 0 << 5;
    QTest::newRow("filtered data") << 1 << 3;
}

void tst_DisplayRefresh::recordingScopes()
{
    QFETCH(int, scope);
    QFETCH(int, rows);
    model()->setColumnFilter({"Rx"}, 4);
    const QString file = fixture->path("/rec.csv");
    QVERIFY(w->startRecording(file, scope));
    feed(3, 0, true);
    feed(2, 1, false);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 3);
    const QStringList lines = fileLines(file);
    QCOMPARE(lines.size(), 1 + rows);
    QCOMPARE(lines.first(),
             QString("序号,系统时间,时间标识,通道,收/发*,ID,Frame,类型,DLC,CAN-FD,数据"));
    QVERIFY(lines.at(1).startsWith("1,=\""));
    QVERIFY(lines.at(1).endsWith(",0x3E8,1,Rx,0x100,Standard Frame,data frame,2,CAN,x| 01 02 "));
    QCOMPARE(countersOf(w).framesRecorded, quint64(rows));
    // Switching off closes the file; later frames are not written.
    auto *box = w->findChild<QCheckBox *>("checkBox");
    box->setChecked(false);
    w->on_checkBox_clicked();
    feed(2);
    w->refreshDisplay();
    QCOMPARE(fileLines(file).size(), 1 + rows);
}

void tst_DisplayRefresh::recordingTruncatesExistingFile()
{
    const QString file = fixture->path("/old.csv");
    fixture->writeFile("/old.csv", QByteArray(4000, 'x') + "\n");
    QVERIFY(w->startRecording(file, 0));
    feed(1);
    w->refreshDisplay();
    const QStringList lines = fileLines(file);
    QCOMPARE(lines.size(), 2);
    QVERIFY(!lines.join('\n').contains("xxx"));
}

void tst_DisplayRefresh::recordingPausedFramesAreStillWritten()
{
    const QString file = fixture->path("/paused.csv");
    QVERIFY(w->startRecording(file, 0));
    w->findChild<QCheckBox *>("checkBox_7")->setChecked(true);
    feed(4);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 0);
    QCOMPARE(fileLines(file).size(), 5);
}

void tst_DisplayRefresh::recordingOpenFailureIsReported()
{
    const QString file = fixture->path("/missing-folder/rec.csv");
    QVERIFY(!w->startRecording(file, 0));
    QVERIFY(!w->findChild<QCheckBox *>("checkBox")->isChecked());
    QCOMPARE(fixture->messages.size(), 1);
    QVERIFY(fixture->messages.first().text.contains(file));
    QVERIFY(logTextOf(w)->toPlainText().contains(file));
    feed(1);
    w->refreshDisplay();
    QVERIFY(!QFile::exists(file));
}

// A file size limit stands in for a full disk: the write of a refresh batch fails.
void tst_DisplayRefresh::recordingWriteFailureStopsRecording()
{
    const QString file = fixture->path("/full.csv");
    QVERIFY(w->startRecording(file, 0));
    feed(2);
    w->refreshDisplay();
    QCOMPARE(fileLines(file).size(), 3);

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = rlim_t(QFileInfo(file).size() + 200);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    feed(50);
    w->refreshDisplay();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!displayOf(w)->isRecording());
    QVERIFY(!w->findChild<QCheckBox *>("checkBox")->isChecked());
    QVERIFY(logTextOf(w)->toPlainText().contains("实时保存已停止"));
    QCOMPARE(model()->rowCount(), 52);
    // Later refreshes carry on without the file.
    feed(1);
    w->refreshDisplay();
    QCOMPARE(model()->rowCount(), 53);
}

QTEST_MAIN(tst_DisplayRefresh)
#include "tst_displayrefresh.moc"

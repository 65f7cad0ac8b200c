// List-send deadlines driven by a simulated clock: exact send counts and no drift over a
// minute, late wake-ups that catch up without shifting later deadlines, finite counts and
// rows stopped mid-run.

#include "transmit/listschedule.h"

#include <QtTest>

#include <map>

using namespace std::chrono;
using TimePoint = ListSchedule::TimePoint;

namespace {

const TimePoint t0 = TimePoint(seconds(1000));

// Runs the schedule until `end`, waking at each next deadline plus `lateness(step)`.
// Returns the deadlines handed out per row.
template <typename Late>
std::map<int, std::vector<TimePoint>> run(ListSchedule &s, TimePoint end, Late lateness)
{
    std::map<int, std::vector<TimePoint>> sent;
    int step = 0;
    while (auto next = s.nextDeadline()) {
        if (*next > end)
            break;
        const TimePoint now = std::min(end, *next + lateness(step++));
        for (;;) {
            const auto due = s.takeDue(now);
            if (due.empty())
                break;
            for (const auto &d : due)
                sent[d.rowId].push_back(d.deadline);
        }
    }
    return sent;
}

} // namespace

class tst_ListSchedule : public QObject
{
    Q_OBJECT

private slots:
    void minuteOfPeriods_data();
    void minuteOfPeriods();
    void finiteCountAndStop();
    void invalidStarts();
};

void tst_ListSchedule::minuteOfPeriods_data()
{
    QTest::addColumn<int>("maxLateUs");
    QTest::newRow("woken on time") << 0;
    QTest::newRow("woken up to 3 ms late") << 3000;
    QTest::newRow("woken up to 250 ms late") << 250000;
}

void tst_ListSchedule::minuteOfPeriods()
{
    QFETCH(int, maxLateUs);
    const int periods[] = {1, 7, 10, 100};
    ListSchedule s;
    for (int i = 0; i < 4; ++i)
        s.start(i, i % 2, milliseconds(periods[i]), -1, t0);

    uint32_t seed = 12345;
    auto lateness = [&](int) -> ListSchedule::Duration {
        if (maxLateUs == 0)
            return {};
        seed = seed * 1103515245u + 12345u;
        return microseconds((seed >> 8) % uint32_t(maxLateUs));
    };
    const TimePoint end = t0 + minutes(1);
    const auto sent = run(s, end, lateness);

    for (int i = 0; i < 4; ++i) {
        const auto &d = sent.at(i);
        const int64_t expected =
            60000 / periods[i] + 1; // a send at t0 and at every period up to the minute
        QCOMPARE(int64_t(d.size()), expected);
        for (size_t k = 0; k < d.size(); ++k) {
            if (d[k] != t0 + milliseconds(periods[i]) * int64_t(k))
                QFAIL(qPrintable(
                    QStringLiteral("row %1 send %2 off its deadline").arg(periods[i]).arg(k)));
        }
        QVERIFY(s.isRunning(i));
    }
    // The next deadline is still on the grid: nothing drifted.
    QCOMPARE(*s.nextDeadline(), end + milliseconds(1));
}

void tst_ListSchedule::finiteCountAndStop()
{
    ListSchedule s;
    s.start(1, 0, milliseconds(10), 5, t0);  // five sends, then done
    s.start(2, 1, milliseconds(10), -1, t0); // stopped after half a second
    s.start(3, 0, milliseconds(0), 1, t0);   // once, by hand
    std::map<int, int> count;
    std::map<int, bool> lastSeen;
    TimePoint now = t0;
    while (auto next = s.nextDeadline()) {
        now = *next;
        if (now >= t0 + milliseconds(500) && s.isRunning(2))
            s.stop(2);
        for (const auto &d : s.takeDue(now)) {
            ++count[d.rowId];
            lastSeen[d.rowId] = d.last;
        }
    }
    QCOMPARE(count[1], 5);
    QVERIFY(lastSeen[1]);
    QCOMPARE(count[2], 50); // t0 .. t0 + 490 ms
    QCOMPARE(count[3], 1);
    QVERIFY(lastSeen[3]);
    QVERIFY(s.empty());

    // A restarted row starts a new grid.
    s.start(1, 0, milliseconds(10), -1, t0 + seconds(5));
    QCOMPARE(*s.nextDeadline(), t0 + seconds(5));
}

void tst_ListSchedule::invalidStarts()
{
    ListSchedule s;
    s.start(1, 0, milliseconds(10), 0, t0);
    s.start(2, 0, milliseconds(0), -1, t0); // no period: only once, by hand
    QVERIFY(s.empty());
    QVERIFY(!s.nextDeadline());
}

QTEST_APPLESS_MAIN(tst_ListSchedule)
#include "tst_listschedule.moc"

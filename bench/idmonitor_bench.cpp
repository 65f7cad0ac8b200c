// Identifier monitor load. (a) IdMonitor::take on 60,000 frames/s over 2,000 identifiers
// (a quarter of them CAN FD with 64 bytes, one byte counting up per frame) in display
// passes of 20 ms, printed as the share of one core. (b) The window at 1400x900 with those
// 2,000 rows and a database for the first 64 identifiers: one refresh (monitor, model,
// proxy re-sort) and the repaint, either what is due after it or the whole window grabbed,
// sorted by identifier and by the last cycle (which changes from one refresh to the next,
// so rows move).
// Usage: larkspur_idmonitorbench [--seconds s] [--refreshes n] [--quick]

#include "database/signaldatabases.h"
#include "device/vendorapi.h"
#include "receive/modelitem.h"
#include "settings/settingsstore.h"
#include "statistics/idmonitor.h"
#include "statistics/idmonitormodel.h"
#include "statistics/idmonitorwindow.h"

#include <QApplication>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int Identifiers = 2000;
constexpr int FramesPerSecond = 60000;
constexpr int PassesPerSecond = 50;
constexpr int FramesPerPass = FramesPerSecond / PassesPerSecond;
constexpr uint64_t PassUs = 1000000 / PassesPerSecond;

double nowMs()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

uint32_t idWordOf(int n)
{
    return n % 2 == 0 ? uint32_t(n / 2) : (uint32_t(0x18DA0000 + n) | CanExtendedFlag);
}

// One second of traffic in display passes, every identifier 30 times a second.
std::vector<QList<ModelItem>> oneSecond()
{
    std::vector<QList<ModelItem>> passes(PassesPerSecond);
    for (int f = 0; f < FramesPerSecond; ++f) {
        const int n = f % Identifiers;
        ModelItem item;
        item.channel = uint32_t(n % 4 < 2 ? 0 : 1);
        item.recv = 1;
        FrameFacts &facts = item.facts;
        facts.valid = true;
        facts.fd = n % 4 == 3;
        facts.bitRateSwitch = facts.fd;
        facts.adapterTime = true;
        facts.length = facts.fd ? 64 : 8;
        facts.idWord = idWordOf(n);
        facts.timeUs = uint64_t(f) * 1000000 / FramesPerSecond;
        std::fill(std::begin(facts.data), std::end(facts.data), uint8_t(n));
        facts.data[0] = uint8_t(f / Identifiers);
        passes[size_t(f / FramesPerPass)].append(item);
    }
    return passes;
}

void shiftTimes(std::vector<QList<ModelItem>> &passes, uint64_t us)
{
    for (QList<ModelItem> &pass : passes) {
        for (ModelItem &item : pass)
            item.facts.timeUs += us;
    }
}

void benchTake(int seconds)
{
    std::vector<QList<ModelItem>> passes = oneSecond();
    IdMonitor monitor;
    double busyMs = 0;
    for (int s = 0; s < seconds; ++s) {
        for (int p = 0; p < PassesPerSecond; ++p) {
            const uint64_t now = uint64_t(s) * 1000000 + uint64_t(p + 1) * PassUs;
            const double start = nowMs();
            monitor.take(passes[size_t(p)], now);
            busyMs += nowMs() - start;
        }
        shiftTimes(passes, 1000000);
    }
    std::printf("idmonitor_take_identifiers: %d\n", monitor.size());
    std::printf("idmonitor_take_frames_per_s: %d\n", FramesPerSecond);
    std::printf("idmonitor_take_seconds_of_traffic: %d\n", seconds);
    std::printf("idmonitor_take_ns_per_frame: %.1f\n",
                busyMs * 1e6 / (double(seconds) * FramesPerSecond));
    std::printf("idmonitor_take_core_fraction: %.4f\n", busyMs / (seconds * 1000.0));
}

// Messages for the first 64 identifiers (standard 0..31, extended 0x18DA0001..), eight
// byte signals each, so the shown rows decode.
QByteArray database()
{
    QByteArray text = "VERSION \"\"\nBU_: Bench\n";
    for (int n = 0; n < 64; ++n) {
        const uint32_t word = idWordOf(n);
        const uint32_t dbcId = (word & CanIdMask) | (word & CanExtendedFlag);
        text += "BO_ " + QByteArray::number(dbcId) + " M" + QByteArray::number(n) + ": 8 Bench\n";
        for (int s = 0; s < 8; ++s)
            text += " SG_ S" + QByteArray::number(s) + " : " + QByteArray::number(s * 8) +
                    "|8@1+ (1,0) [0|255] \"\" Bench\n";
    }
    return text;
}

struct Figures
{
    double modelMeanMs = 0; // monitor, model and proxy
    double meanMs = 0;      // and the repaint
    double maxMs = 0;
};

// How the window is painted after a refresh: what is due (the viewport, as the timer's
// refresh leads to), or all of it into a picture.
enum class Repaint { Due, Grab };

// Each refresh follows 100 ms of traffic, as the window's timer does.
Figures timeRefreshes(IdMonitorWindow &window, std::vector<QList<ModelItem>> &passes, int count,
                      Repaint repaint)
{
    Figures figures;
    int pass = 0;
    for (int r = 0; r < count; ++r) {
        for (int i = 0; i < PassesPerSecond / 10; ++i, ++pass) {
            window.takeRecords(passes[size_t(pass % PassesPerSecond)]);
            if (pass % PassesPerSecond == PassesPerSecond - 1)
                shiftTimes(passes, 1000000);
        }
        const double start = nowMs();
        window.refresh();
        figures.modelMeanMs += (nowMs() - start) / count;
        if (repaint == Repaint::Grab)
            window.grab();
        else
            QCoreApplication::processEvents();
        const double ms = nowMs() - start;
        figures.meanMs += ms / count;
        figures.maxMs = std::max(figures.maxMs, ms);
    }
    return figures;
}

void printFigures(const char *name, const Figures &figures)
{
    std::printf("idmonitor_window_model_ms_mean (%s): %.2f\n", name, figures.modelMeanMs);
    std::printf("idmonitor_window_refresh_ms_mean (%s): %.2f\n", name, figures.meanMs);
    std::printf("idmonitor_window_refresh_ms_max (%s): %.2f\n", name, figures.maxMs);
}

int benchWindow(int refreshes)
{
    QTemporaryDir home;
    qputenv("LARKSPUR_HOME", home.path().toUtf8());
    loadSettings(home.filePath("setdb.txt"));
    QFile file(home.filePath("bench.dbc"));
    if (!file.open(QIODevice::WriteOnly) || file.write(database()) < 0)
        return 1;
    file.close();
    SignalDatabases databases;
    if (!databases.load(3, file.fileName()).ok())
        return 1;
    IdMonitorWindow window(&databases, nullptr);
    window.resize(1400, 900);
    window.show();
    QCoreApplication::processEvents();
    std::vector<QList<ModelItem>> passes = oneSecond();
    timeRefreshes(window, passes, 10, Repaint::Grab); // every identifier seen, caches warm
    auto *view = window.findChild<QTableView *>();
    std::printf("idmonitor_window_rows: %d\n", view->model()->rowCount());
    std::printf("idmonitor_window_refreshes: %d\n", refreshes);
    printFigures("by ID, due repaint", timeRefreshes(window, passes, refreshes, Repaint::Due));
    printFigures("by ID, whole window", timeRefreshes(window, passes, refreshes, Repaint::Grab));
    view->sortByColumn(IdMonitorModel::Cycle, Qt::DescendingOrder);
    printFigures("by cycle, due repaint", timeRefreshes(window, passes, refreshes, Repaint::Due));
    printFigures("by cycle, whole window", timeRefreshes(window, passes, refreshes, Repaint::Grab));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool quick = args.contains("--quick");
    const auto option = [&](const char *name, int fallback) {
        const int at = args.indexOf(name);
        return at >= 0 ? args.value(at + 1).toInt() : fallback;
    };
    benchTake(option("--seconds", quick ? 1 : 10));
    return benchWindow(option("--refreshes", quick ? 5 : 50));
}

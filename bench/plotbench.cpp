// Plot window load: 20 signals (two messages of ten 16-bit signals) updating at 1 kHz
// each, fed to the real plot window through the same records the display refresh hands
// on, ten passes a second, with the window redrawing on its own timer. Prints the
// process CPU per wall second, the resident memory at a quarter of the run and at its
// end, and the points held. Usage: larkspur_plotbench [--seconds s] [--window s]

#include "database/plotseries.h"
#include "database/signaldatabases.h"
#include "database/signalplotwindow.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cmath>
#include <cstdio>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

long rssKb()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

QByteArray database()
{
    QByteArray text = "VERSION \"\"\nBU_: Bench\n";
    for (int m = 0; m < 2; ++m) {
        text += "BO_ " + QByteArray::number(0x100 + m) + " Bench" + QByteArray::number(m) + ": 20 Bench\n";
        for (int s = 0; s < 10; ++s)
            text += " SG_ S" + QByteArray::number(m * 10 + s) + " : " + QByteArray::number(s * 16)
                    + "|16@1- (0.01,0) [-327.68|327.67] \"V\" Bench\n";
    }
    return text;
}

ModelItem record(int message, double seconds, uint32_t step)
{
    ModelItem item;
    item.channel = 0;
    item.recv = 1;
    item.timeStamp = QString::number(seconds, 'f', 4);
    item.id = QStringLiteral("0x10%1").arg(message);
    QString data = QStringLiteral("x| ");
    for (int s = 0; s < 10; ++s) {
        const auto v = uint16_t(int16_t(10000 * std::sin(step * 0.002 * (s + 1) + message)));
        data += QStringLiteral("%1 %2 ").arg(v & 0xFF, 2, 16, QLatin1Char('0')).arg(v >> 8, 2, 16, QLatin1Char('0'));
    }
    item.data = data.toUpper().replace(QLatin1String("X|"), QLatin1String("x|"));
    return item;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int seconds = args.contains("--seconds") ? args.value(args.indexOf("--seconds") + 1).toInt() : 600;
    const double window = args.contains("--window") ? args.value(args.indexOf("--window") + 1).toDouble() : 30;
    QTemporaryDir home;
    qputenv("LARKSPUR_HOME", home.path().toUtf8());
    loadSettings(home.filePath("setdb.txt"));
    QFile file(home.filePath("bench.dbc"));
    if (!file.open(QIODevice::WriteOnly) || file.write(database()) < 0)
        return 1;
    file.close();
    SignalDatabases databases;
    if (!databases.load(1, file.fileName()).ok())
        return 1;
    SignalPlotWindow plot(&databases, nullptr);
    std::vector<SignalRef> refs;
    for (int i = 0; i < 20; ++i)
        refs.push_back({0, uint32_t(0x100 + i / 10), false, QStringLiteral("S%1").arg(i)});
    plot.setSelection(refs);
    plot.setTimeWindow(window);
    plot.show();

    // Ten passes a second of 100 steps of 1 ms, each step one frame of each message.
    uint32_t step = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpuStart = cpuSeconds();
    long rssQuarter = -1;
    QTimer feed;
    QObject::connect(&feed, &QTimer::timeout, [&] {
        const uint32_t due = uint32_t(wall.elapsed());
        QList<ModelItem> records;
        for (; step < due; ++step) {
            records << record(0, step * 1e-3, step) << record(1, step * 1e-3, step);
        }
        plot.takeRecords(records);
        if (rssQuarter < 0 && wall.elapsed() >= seconds * 250)
            rssQuarter = rssKb();
        if (wall.elapsed() >= seconds * 1000)
            app.quit();
    });
    feed.start(100);
    app.exec();
    const double elapsed = wall.elapsed() / 1000.0;
    std::printf("plot_signals: 20\nplot_updates_per_signal_per_s: %.0f\n", step / elapsed);
    std::printf("plot_seconds: %.1f\nplot_time_window_s: %.0f\n", elapsed, window);
    std::printf("plot_cpu_cores: %.3f\n", (cpuSeconds() - cpuStart) / elapsed);
    std::printf("plot_rss_kb_quarter: %ld\nplot_rss_kb_end: %ld\n", rssQuarter, rssKb());
    std::printf("plot_points_held: %zu\n", plot.pointCount());
    return 0;
}

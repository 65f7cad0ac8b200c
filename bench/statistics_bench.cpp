// Cost of the bus statistics and the identifier monitor on the GUI thread: every record
// of a refresh pass goes through BusStatistics::take (kind counts and the exact bits of
// each frame) and IdMonitor::take, and once a second closeSecond and rollSecond. Traffic is made by
// the real formatters at the physical maximum of both channels (each on its own wire: channel 1
// sends, channel 2 receives, so each channel's records are its wire's frames) for three frame
// shapes, and at 60,000 frames/s of the most expensive shape. Prints one "name: value" line per
// figure.
//
//   statistics_bench [--seconds N]

#include "device/canframebits.h"
#include "receive/frameformat.h"
#include "statistics/busstatistics.h"
#include "statistics/idmonitor.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>
#include <ctime>
#include <random>

namespace {

struct Shape
{
    const char *name;
    bool fd;
    bool brs;
    uint8_t length;
    uint32_t arbitration;
    uint32_t data;
};

double threadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// One refresh pass (50 ms) of frames at perSecond on each channel, 2,000 identifiers.
QList<ModelItem> pass(const Shape &shape, double perSecond, uint64_t &timeUs, std::mt19937 &random)
{
    QList<ModelItem> records;
    const int count = int(perSecond / 20);
    const double stepUs = 1e6 / perSecond;
    for (int i = 0; i < count; ++i) {
        const uint32_t id = 0x100 + random() % 2000;
        const uint64_t at = timeUs + uint64_t(i * stepUs);
        if (shape.fd) {
            CanFdRxRecord rx{};
            rx.id = id;
            rx.length = shape.length;
            rx.flags = shape.brs ? 1 : 0;
            rx.timeStamp = at;
            for (int b = 0; b < shape.length; ++b)
                rx.data[b] = uint8_t(random());
            CanFdTxRecord tx{};
            tx.id = id;
            tx.length = shape.length;
            tx.flags = rx.flags;
            std::copy_n(rx.data, shape.length, tx.data);
            records << formatTxFdFrame(0, tx) << formatRxFdFrame(1, rx, true);
        } else {
            CanRxRecord rx{};
            rx.id = id;
            rx.length = shape.length;
            rx.timeStamp = at;
            for (int b = 0; b < shape.length; ++b)
                rx.data[b] = uint8_t(random());
            CanTxRecord tx{};
            tx.id = id;
            tx.length = shape.length;
            std::copy_n(rx.data, shape.length, tx.data);
            records << formatTxFrame(0, tx) << formatRxFrame(1, rx, true);
        }
    }
    timeUs += 50000;
    return records;
}

// The mean time on the wire of the frames pass() makes (their identifiers and bytes
// change the stuff bits), so "bus maximum" fills the wire.
double meanFrameNs(const Shape &shape)
{
    std::mt19937 random(11);
    double sum = 0;
    const int samples = 20000;
    for (int i = 0; i < samples; ++i) {
        const uint32_t id = 0x100 + random() % 2000;
        uint8_t bytes[64];
        for (int b = 0; b < shape.length; ++b)
            bytes[b] = uint8_t(random());
        sum += double(CanFrameBits(id, shape.length, bytes, shape.fd, shape.brs)
                          .durationNs(shape.arbitration, shape.data));
    }
    return sum / samples;
}

// CPU seconds of the statistics per second of traffic, and the load they showed.
void run(const Shape &shape, double perSecond, int seconds, const char *label)
{
    std::mt19937 random(7);
    uint64_t timeUs = 0;
    QList<QList<ModelItem>> passes;
    for (int i = 0; i < 20 * seconds; ++i)
        passes << pass(shape, perSecond, timeUs, random);
    BusStatistics statistics;
    IdMonitor monitor;
    const uint32_t arb[2] = {shape.arbitration, shape.arbitration};
    const uint32_t data[2] = {shape.data, shape.data};
    double statisticsCpu = 0, monitorCpu = 0;
    for (int i = 0; i < passes.size(); ++i) {
        const double start = threadCpuSeconds();
        statistics.take(passes[i]);
        if (i % 20 == 19)
            statistics.closeSecond(1000000000, arb, data);
        const double between = threadCpuSeconds();
        monitor.take(passes[i], uint64_t(i) * 50000);
        if (i % 20 == 19)
            monitor.rollSecond();
        monitorCpu += threadCpuSeconds() - between;
        statisticsCpu += between - start;
    }
    const double cpu = statisticsCpu + monitorCpu;
    const double frames = 2.0 * perSecond * seconds;
    std::printf("%s %s: %.0f frames/s on both channels, load %.1f %%: statistics and monitor "
                "%.3f of a core (statistics %.3f, monitor %.3f), %.2f us/frame\n",
                label, shape.name, 2 * perSecond, statistics.channel(1).load.average() * 100,
                cpu / seconds, statisticsCpu / seconds, monitorCpu / seconds, cpu / frames * 1e6);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int at = args.indexOf(QStringLiteral("--seconds"));
    const int seconds = at > 0 ? std::max(1, args.value(at + 1).toInt()) : 5;

    const Shape shapes[] = {
        {"classic 0 bytes 1M", false, false, 0, 1000000, 1000000},
        {"classic 8 bytes 1M", false, false, 8, 1000000, 1000000},
        {"CAN FD BRS 64 bytes 1M/5M", true, true, 64, 1000000, 5000000},
    };
    for (const Shape &shape : shapes)
        run(shape, 1e9 / meanFrameNs(shape), seconds, "bus maximum");
    // Beyond any wire (431 % load): the cost per frame at the rate the display is built for.
    run(shapes[2], 30000, seconds, "60,000 frames/s");
    return 0;
}

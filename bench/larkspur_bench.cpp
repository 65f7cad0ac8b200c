// Throughput benchmark of Larkspur on the offscreen platform: the real main window,
// receive and send threads, table and real-time recording, fed by the simulated
// Ferrule-2X. Prints one "name: value" line per figure; see bench/README.md.

#include "bench/benchreport.h"
#include "bench/busmaximum.h"
#include "bench/maxratesearch.h"
#include "bench/receivebench.h"
#include "bench/tablebench.h"
#include "bench/targets.h"
#include "bench/transmitbench.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

struct Choices
{
    bool receive = true;
    bool maxRate = false;
    bool table = false;
    bool transmit = false;
    bool check = false;
    ReceiveOptions rx;
    MaxRateOptions max;
    int tableRows = 1000000;
    int burstRows = 6000;
    int refreshRepeats = 10;
    double txSeconds = 5;
    int txMinPeriods = 40;
};

void addOptions(QCommandLineParser &p)
{
    p.addHelpOption();
    p.addOptions({
        {"duration", "Seconds of traffic in the receive run.", "s"},
        {"rate", "Generated frames per second on each channel (default: bus maximum).", "n"},
        {"mix", "Traffic mix: mixed, classic or fd.", "mix"},
        {"no-record", "Receive run without real-time recording."},
        {"merge", "Receive run with the option that merges frames of the same ID."},
        {"list-limit", "List buffer size (rows kept in the table).", "rows"},
        {"refresh", "Display refresh interval in ms.", "ms"},
        {"record-path", "Keep the recording at this path.", "path"},
        {"no-receive", "Skip the receive run."},
        {"max-rate", "Search the largest lossless aggregate rate with recording."},
        {"max-step-seconds", "Seconds per step of the rate search.", "s"},
        {"table", "Memory per row and refresh time of a 1,000,000-row table."},
        {"table-rows", "Rows of the full table.", "n"},
        {"transmit", "Endless and cyclic send jobs."},
        {"tx-seconds", "Seconds per transmit job.", "s"},
        {"tx-min-periods", "Least periods measured per cyclic job.", "n"},
        {"all", "Receive run, rate search, table and transmit figures."},
        {"soak", "Receive run of 10 minutes at bus maximum with recording."},
        {"check", "Compare with the targets; exit status 1 when one is missed."},
    });
}

void applyReceiveOptions(const QCommandLineParser &p, Choices &c)
{
    if (p.isSet("duration"))
        c.rx.seconds = p.value("duration").toDouble();
    if (p.isSet("rate"))
        c.rx.ratePerChannel = p.value("rate").toUInt();
    if (p.isSet("mix"))
        c.rx.mix = simTrafficMixFromText(p.value("mix"));
    c.rx.record = !p.isSet("no-record");
    c.rx.merge = p.isSet("merge");
    if (p.isSet("list-limit"))
        c.rx.listLimit = p.value("list-limit").toUInt();
    if (p.isSet("refresh"))
        c.rx.refreshMs = p.value("refresh").toUInt();
    c.rx.recordPath = p.value("record-path");
}

void applyModes(const QCommandLineParser &p, Choices &c)
{
    const bool all = p.isSet("all") || p.isSet("check");
    c.check = p.isSet("check");
    c.receive = !p.isSet("no-receive");
    c.maxRate = (all && !p.isSet("soak")) || p.isSet("max-rate");
    c.table = (all && !p.isSet("soak")) || p.isSet("table");
    c.transmit = (all && !p.isSet("soak")) || p.isSet("transmit");
    if (c.check && !p.isSet("duration"))
        c.rx.seconds = 60;
    if (p.isSet("soak") && !p.isSet("duration"))
        c.rx.seconds = 600;
    if (p.isSet("max-step-seconds"))
        c.max.stepSeconds = p.value("max-step-seconds").toDouble();
    if (p.isSet("table-rows"))
        c.tableRows = p.value("table-rows").toInt();
    if (p.isSet("tx-seconds"))
        c.txSeconds = p.value("tx-seconds").toDouble();
    if (p.isSet("tx-min-periods"))
        c.txMinPeriods = p.value("tx-min-periods").toInt();
}

int runChoices(Choices c, BenchReport &out)
{
    const BusMaximum bus = BusMaximum::forBench(c.rx.mix);
    bus.report(out);
    if (c.rx.ratePerChannel == 0)
        c.rx.ratePerChannel = uint32_t(bus.mixFramesPerS);
    Targets targets(out, bus);
    if (c.receive) {
        ReceiveBench bench(c.rx);
        const ReceiveFigures figures = bench.run();
        ReceiveBench::report(figures, out);
        if (c.check)
            targets.checkReceive(c.rx, figures);
    }
    if (c.maxRate) {
        const double best = MaxRateSearch(c.max).run(out);
        if (c.check)
            targets.checkMaxRate(best);
    }
    if (c.table) {
        TableBench(c.tableRows, c.burstRows, c.refreshRepeats).run(out);
        if (c.check)
            targets.checkTable(c.tableRows, c.burstRows);
    }
    if (c.transmit) {
        TransmitBench(c.txSeconds, c.txMinPeriods, bus).run(out);
        if (c.check)
            targets.checkTransmit();
    }
    return c.check ? targets.finish() : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QTemporaryDir> home;
    if (qEnvironmentVariableIsEmpty("LARKSPUR_HOME")) {
        home = std::make_unique<QTemporaryDir>();
        qputenv("LARKSPUR_HOME", home->path().toLocal8Bit());
    }
    qputenv("LARKSPUR_ADAPTER", "simulated");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    addOptions(parser);
    parser.process(app);
    Choices choices;
    applyReceiveOptions(parser, choices);
    applyModes(parser, choices);
    BenchReport out;
    return runChoices(choices, out);
}

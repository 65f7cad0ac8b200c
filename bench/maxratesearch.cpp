#include "bench/maxratesearch.h"

#include "bench/benchreport.h"
#include "bench/receivebench.h"

namespace {

// The generator itself must come close to the nominal rate for a step to count.
constexpr double GeneratorShare = 0.9;
constexpr double BacklogSeconds = 0.5;

} // namespace

MaxRateSearch::MaxRateSearch(const MaxRateOptions &searchOptions) : options(searchOptions) {}

bool MaxRateSearch::keptUp(const ReceiveFigures &f)
{
    const double rate = f.aggregateRate();
    return f.lossless() && double(f.backlogAtEnd) <= rate * BacklogSeconds;
}

double MaxRateSearch::run(BenchReport &out)
{
    double best = 0;
    for (double rate = options.startPerChannel; rate <= options.ceilingPerChannel;
         rate *= options.factor) {
        ReceiveOptions step;
        step.seconds = options.stepSeconds;
        step.ratePerChannel = uint32_t(rate);
        const ReceiveFigures f = ReceiveBench(step).run();
        const QString name = QStringLiteral("max_step_%1_per_channel").arg(uint32_t(rate));
        const bool ok = keptUp(f);
        out.text(name, QStringLiteral("%1 generated=%2/s backlog=%3 dropped=%4 cpu_cores=%5")
                           .arg(ok ? "lossless" : "behind")
                           .arg(f.aggregateRate(), 0, 'f', 0)
                           .arg(f.backlogAtEnd)
                           .arg(f.dropped)
                           .arg(f.cpu.process / std::max(f.cpu.wall, 1e-9), 0, 'f', 2));
        if (!ok)
            break;
        best = f.aggregateRate();
        if (best < 2 * rate * GeneratorShare) {
            out.text(QStringLiteral("max_rate_note"),
                     QStringLiteral("the simulated bus could not generate faster"));
            break;
        }
    }
    out.figure(QStringLiteral("max_lossless_rate_total"), best, 0);
    return best;
}

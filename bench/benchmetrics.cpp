#include "bench/benchmetrics.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <numeric>

#include <malloc.h>
#include <pthread.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

namespace {

double seconds(const timeval &tv)
{
    return double(tv.tv_sec) + double(tv.tv_usec) * 1e-6;
}

struct ThreadTimes
{
    QByteArray name;
    double cpu = 0;
};

// "/proc/self/task/<tid>/stat": name in parentheses, then utime and stime in clock
// ticks as fields 14 and 15.
bool readThreadTimes(const QString &path, ThreadTimes *out)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = file.readAll();
    const int open = line.indexOf('(');
    const int close = line.lastIndexOf(')');
    if (open < 0 || close < open)
        return false;
    out->name = line.mid(open + 1, close - open - 1);
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 13)
        return false;
    const double tick = double(sysconf(_SC_CLK_TCK));
    out->cpu = (fields.at(11).toDouble() + fields.at(12).toDouble()) / tick;
    return true;
}

void addThread(CpuSample &sample, const QString &tid, const ThreadTimes &times)
{
    if (tid.toLongLong() == getpid())
        sample.gui += times.cpu;
    else if (times.name == "recvThread")
        sample.receive += times.cpu;
    else if (times.name == "sendThread")
        sample.send += times.cpu;
    else if (times.name == "simbus")
        sample.bus += times.cpu;
}

int64_t statusField(const QByteArray &status, const char *key)
{
    const int at = status.indexOf(key);
    if (at < 0)
        return 0;
    const int end = status.indexOf('\n', at);
    QByteArray value = status.mid(at + int(qstrlen(key)), end - at - int(qstrlen(key)));
    return value.replace("kB", "").trimmed().toLongLong();
}

} // namespace

CpuSample CpuSample::operator-(const CpuSample &earlier) const
{
    CpuSample d;
    d.process = process - earlier.process;
    d.gui = gui - earlier.gui;
    d.receive = receive - earlier.receive;
    d.send = send - earlier.send;
    d.bus = bus - earlier.bus;
    d.wall = wall - earlier.wall;
    return d;
}

CpuSample sampleCpu()
{
    CpuSample sample;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    sample.process = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    const QDir tasks(QStringLiteral("/proc/self/task"));
    const QStringList tids = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &tid : tids) {
        ThreadTimes times;
        if (readThreadTimes(tasks.filePath(tid + QStringLiteral("/stat")), &times))
            addThread(sample, tid, times);
    }
    sample.wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    return sample;
}

MemorySample sampleMemory()
{
    QFile file(QStringLiteral("/proc/self/status"));
    MemorySample sample;
    if (!file.open(QIODevice::ReadOnly))
        return sample;
    const QByteArray status = file.readAll();
    sample.rssKb = statusField(status, "VmRSS:");
    sample.peakKb = statusField(status, "VmHWM:");
    return sample;
}

int64_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return int64_t(info.uordblks) + int64_t(info.hblkhd);
}

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

void nameCurrentThread(const char *name)
{
    pthread_setname_np(pthread_self(), name);
}

void Distribution::prepare(int count)
{
    values.clear();
    values.resize(count); // zero-filled: every page is resident from here on
    values.resize(0);     // keeps the capacity
}

double Distribution::percentile(double fraction) const
{
    if (values.isEmpty())
        return 0;
    QVector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const int at = std::clamp(int(fraction * (sorted.size() - 1) + 0.5), 0, sorted.size() - 1);
    return sorted.at(at);
}

double Distribution::mean() const
{
    if (values.isEmpty())
        return 0;
    return std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

double Distribution::max() const
{
    return values.isEmpty() ? 0 : *std::max_element(values.begin(), values.end());
}

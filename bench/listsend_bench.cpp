// The list-send thread with many periodic rows on both channels of the simulated
// adapter. Every row has its own identifier; the other channel receives its frames, and
// their time stamps (the end of each frame on the simulated wire) give each row's periods.
//
// The rows are 8-byte CAN FD frames with bit-rate switch at 1 Mbit/s and 5 Mbit/s (about
// 50 us on the wire each); their periods from 1 to 1,000 ms put about 7,600 frames a second
// on the one wire both channels share, 38 % of it. (Ten rows of every period would need
// 20,000 frames a second, more than such a wire carries.)
//
// First it measures how late this machine wakes a thread waiting for a deadline every
// millisecond: the floor under any sleeping scheduler's jitter.
//
//   listsend_bench [seconds] [rows] [--panels]      (60 s, 100 rows)
//
// With --panels both send panels' threads run endless frame jobs (identifier 0x7FF, every
// 1 ms, one frame per call) beside the list for the whole run.
//
// Printed per period setting: rows, frames, mean period error, worst cumulative drift and
// the 99th percentile of |period - setting|; and the CPU time of the list-send thread.

#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "transmit/listsendthread.h"
#include "transmit/sendthread.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <dirent.h>
#include <unistd.h>

namespace {

// Period and how many of each hundred rows have it.
const struct
{
    int periodMs;
    int rows;
} Periods[] = {{1, 2},   {2, 3},   {5, 5},    {7, 5},    {10, 10},
               {20, 15}, {50, 20}, {100, 20}, {500, 10}, {1000, 10}};

int periodOfRow(int r)
{
    int n = r % 100;
    for (const auto &p : Periods) {
        if (n < p.rows)
            return p.periodMs;
        n -= p.rows;
    }
    return 1000;
}

// The 99th percentile of how late a thread waiting for a deadline every millisecond
// wakes, in ms, over `waits` deadlines.
double wakeLatenessP99Ms(int waits)
{
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::condition_variable never;
    std::unique_lock<std::mutex> lock(mutex);
    std::vector<double> late;
    late.reserve(size_t(waits));
    Clock::time_point deadline = Clock::now();
    for (int i = 0; i < waits; ++i) {
        deadline += std::chrono::milliseconds(1);
        never.wait_until(lock, deadline);
        late.push_back(std::chrono::duration<double, std::milli>(Clock::now() - deadline).count());
    }
    std::sort(late.begin(), late.end());
    return late[late.size() * 99 / 100];
}

struct RowTimes
{
    int periodMs = 0;
    std::vector<uint64_t> stamps; // µs
};

// Receives both channels until stop, filing every frame's time stamp by identifier.
void receiveAll(std::map<uint32_t, RowTimes> &rows, const std::atomic<bool> &stop)
{
    std::vector<CanRxRecord> buffer(4096);
    std::vector<CanFdRxRecord> fdBuffer(4096);
    auto file = [&](uint32_t idWord, uint64_t stamp) {
        auto it = rows.find(idWord & CanIdMask);
        if (it != rows.end())
            it->second.stamps.push_back(stamp);
    };
    while (!stop.load()) {
        for (uint32_t ch = 0; ch < 2; ++ch) {
            const uint32_t n = receiveCan(ch, buffer.data(), uint32_t(buffer.size()), 0);
            for (uint32_t i = 0; i < n; ++i)
                file(buffer[i].id, buffer[i].timeStamp);
            const uint32_t m = receiveCanFd(ch, fdBuffer.data(), uint32_t(fdBuffer.size()), 0);
            for (uint32_t i = 0; i < m; ++i)
                file(fdBuffer[i].id, fdBuffer[i].timeStamp);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        takePending(); // the Tx records the list thread queues for the display
    }
}

std::vector<long> threadIds()
{
    std::vector<long> ids;
    if (DIR *dir = opendir("/proc/self/task")) {
        while (dirent *entry = readdir(dir))
            if (entry->d_name[0] != '.')
                ids.push_back(std::atol(entry->d_name));
        closedir(dir);
    }
    return ids;
}

// CPU seconds of one thread of this process (utime + stime from /proc).
double threadCpuSeconds(long tid)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%ld/stat", tid);
    FILE *file = std::fopen(path, "r");
    if (!file)
        return 0;
    char line[1024] = {};
    const size_t got = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[got] = 0;
    const char *rest = std::strrchr(line, ')');
    unsigned long utime = 0, stime = 0;
    if (!rest || std::sscanf(rest + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu",
                             &utime, &stime) != 2)
        return 0;
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

struct Figures
{
    int rows = 0;
    long frames = 0;
    double worstMeanErrorPercent = 0;
    double worstDriftMs = 0;
    std::vector<double> deviations; // |period - setting|, ms
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    const int rowCount = argc > 2 ? std::atoi(argv[2]) : 100;
    const bool panels = argc > 3 && std::strcmp(argv[3], "--panels") == 0;

    setVendorBackend(std::make_shared<SimulatedAdapter>(SimulatorConfig{}));
    std::printf("machine: a thread waiting for a deadline every 1 ms wakes p99 %.3f ms late\n",
                wakeLatenessP99Ms(5000));
    if (!openDevice(FerruleDeviceType, 0, 0) || !setBaudRate(0, 1000000, 5000000) ||
        !setBaudRate(1, 1000000, 5000000) || !initCan(0, 0) || !initCan(1, 0) || !startCan(0) ||
        !startCan(1)) {
        std::fprintf(stderr, "listsend_bench: the simulated adapter did not start\n");
        return 1;
    }

    std::map<uint32_t, RowTimes> rows;
    for (int r = 0; r < rowCount; ++r)
        rows[uint32_t(0x100 + r)].periodMs = periodOfRow(r);

    const std::vector<long> before = threadIds();
    ListSendThread sender;
    long senderTid = 0;
    for (long tid : threadIds())
        if (std::find(before.begin(), before.end(), tid) == before.end())
            senderTid = tid;

    std::atomic<bool> stop{false};
    std::thread receiver([&] { receiveAll(rows, stop); });
    int rowId = 0;
    for (auto &[id, row] : rows) {
        ListSendFrame frame;
        frame.channel = uint32_t(rowId % 2);
        frame.id = id;
        frame.fd = true;
        frame.brs = true;
        frame.length = 8;
        sender.startRow(rowId++, frame, row.periodMs, -1);
    }
    std::unique_ptr<sendThread> panelJobs[2];
    if (panels) {
        const uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        for (uint32_t ch = 0; ch < 2; ++ch) {
            panelJobs[ch] = std::make_unique<sendThread>(ch);
            panelJobs[ch]->setSendData(0x7FF, false, 0, 0, false, data, 8, false, -1, 1, 1, 0, 0);
            panelJobs[ch]->start();
        }
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double senderCpu = senderTid ? threadCpuSeconds(senderTid) : 0;
    for (auto &job : panelJobs) {
        if (job) {
            job->stop();
            job->wait();
        }
    }
    sender.stopAll();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    stop = true;
    receiver.join();
    closeDevice();

    std::map<int, Figures> byPeriod;
    for (const auto &[id, row] : rows) {
        Figures &f = byPeriod[row.periodMs];
        f.rows += 1;
        const auto &t = row.stamps;
        f.frames += long(t.size());
        if (t.size() < 2)
            continue;
        const double spanMs = double(t.back() - t.front()) / 1000.0;
        const double expectedMs = double(t.size() - 1) * row.periodMs;
        const double meanError = std::fabs(spanMs - expectedMs) / expectedMs * 100.0;
        f.worstMeanErrorPercent = std::max(f.worstMeanErrorPercent, meanError);
        f.worstDriftMs = std::max(f.worstDriftMs, std::fabs(spanMs - expectedMs));
        for (size_t i = 1; i < t.size(); ++i)
            f.deviations.push_back(std::fabs(double(t[i] - t[i - 1]) / 1000.0 - row.periodMs));
    }

    std::printf("list send: %d rows on two channels for %.0f s%s\n", rowCount, seconds,
                panels ? ", both panels sending endless 1 ms jobs beside it" : "");
    std::printf("%8s %5s %9s %16s %14s %14s\n", "period", "rows", "frames", "mean error (worst)",
                "drift (worst)", "p99 jitter");
    for (auto &[period, f] : byPeriod) {
        double p99 = 0;
        if (!f.deviations.empty()) {
            std::sort(f.deviations.begin(), f.deviations.end());
            p99 = f.deviations[size_t(double(f.deviations.size() - 1) * 0.99)];
        }
        std::printf("%6d ms %5d %9ld %15.4f %% %11.3f ms %11.3f ms\n", period, f.rows, f.frames,
                    f.worstMeanErrorPercent, f.worstDriftMs, p99);
    }
    std::printf("list-send thread CPU: %.3f s in %.0f s = %.4f of a core\n", senderCpu, seconds,
                senderCpu / seconds);
    return 0;
}

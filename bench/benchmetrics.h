#pragma once

// Process figures for the benchmark: CPU time of the whole process and of its threads
// by role, resident memory, and a distribution of samples with percentiles.

#include <QVector>

#include <cstdint>

// CPU seconds (user + system) since the process started.
struct CpuSample
{
    double process = 0; // getrusage, every thread
    double gui = 0;     // the main (GUI) thread
    double receive = 0; // threads named "recvThread"
    double send = 0;    // threads named "sendThread"
    double bus = 0;     // the simulated bus (threads named "simbus")
    double wall = 0;    // steady clock, seconds

    CpuSample operator-(const CpuSample &earlier) const;
    // Everything but the simulated bus, which stands for the other nodes on the wire.
    double program() const { return process - bus; }
};

CpuSample sampleCpu();

// Kilobytes from /proc/self/status.
struct MemorySample
{
    int64_t rssKb = 0;  // VmRSS
    int64_t peakKb = 0; // VmHWM
};

MemorySample sampleMemory();
// Bytes the allocator has handed out and not got back (mallinfo2).
int64_t heapInUse();

// CPU time of the calling thread in milliseconds.
double threadCpuMs();
// Names the calling thread (inherited by the threads it starts).
void nameCurrentThread(const char *name);

class Distribution
{
public:
    // Takes the room for count samples up front and touches it, so that collecting them
    // does not show as the program's memory growth.
    void prepare(int count);
    void add(double value) { values.append(value); }
    int count() const { return values.size(); }
    double percentile(double fraction) const;
    double mean() const;
    double max() const;
    void clear() { values.clear(); }

private:
    QVector<double> values;
};

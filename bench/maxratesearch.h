#pragma once

// Searches the largest aggregate rate (both channels) that the program takes and
// records without loss: short receive runs with recording at rising rates, each judged
// lossless when nothing was dropped, everything was recorded and the backlog when the
// generation stopped was under half a second of traffic.

class BenchReport;
struct ReceiveFigures;

struct MaxRateOptions
{
    double stepSeconds = 4;
    double startPerChannel = 30000;
    double factor = 1.5;
    double ceilingPerChannel = 1000000;
};

class MaxRateSearch
{
public:
    explicit MaxRateSearch(const MaxRateOptions &options);

    // Returns the largest lossless aggregate rate reached (frames per second).
    double run(BenchReport &out);

private:
    static bool keptUp(const ReceiveFigures &figures);

    MaxRateOptions options;
};

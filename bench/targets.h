#pragma once

// The speed and memory targets, checked against the figures of a run (--check).

#include "bench/busmaximum.h"

class BenchReport;
struct ReceiveFigures;
struct ReceiveOptions;

class Targets
{
public:
    Targets(BenchReport &out, const BusMaximum &bus);

    // At bus maximum on both channels with display and recording.
    void checkReceive(const ReceiveOptions &options, const ReceiveFigures &figures);
    void checkMaxRate(double bestAggregateRate);
    void checkTable(int tableRows, int burstRows);
    void checkTransmit();
    // Prints the summary; returns the exit status (1 when a target was missed).
    int finish();

private:
    void checkReplay();

    BenchReport &out;
    BusMaximum bus;
};

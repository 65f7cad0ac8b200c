#pragma once

// The program under measurement: a simulated Ferrule-2X installed in the device layer,
// the real main window (shown on the offscreen platform) with its refresh, model, view
// and recording, the device opened and both channels started with their stored
// parameters, and both receive threads running.

#include "device/sim/simulatedadapter.h"

#include <memory>

class MainWindow;

struct RigOptions
{
    SimulatorConfig simulator;
    uint32_t listLimit = 1000;
    uint32_t refreshMs = 100;
    bool merge = false;
};

class BenchRig
{
public:
    explicit BenchRig(const RigOptions &options);
    ~BenchRig();
    BenchRig(const BenchRig &) = delete;
    BenchRig &operator=(const BenchRig &) = delete;

    // Opens the device, starts both channels and their receive threads.
    bool open();
    MainWindow &window() { return *mainWindow; }
    SimulatedAdapter &adapter() { return *simulator; }

    // Traffic from the other nodes, produced on a thread named "simbus".
    void startTraffic();
    void stopTraffic();
    // Frames the generator has produced on both channels.
    uint64_t generated() const;
    // Frames lost in the adapter's receive queues.
    uint64_t adapterDropped() const;
    // Frames still in the adapter's receive queues.
    uint64_t adapterQueued() const;

    // Runs the event loop until everything produced so far has left the adapter and the
    // pending-frame queue and one more refresh has run; false after timeoutMs.
    bool drain(int timeoutMs);
    static void runEventLoop(int ms);

private:
    void storeOptions();

    std::shared_ptr<SimulatedAdapter> simulator;
    std::unique_ptr<MainWindow> mainWindow;
    RigOptions options;
};

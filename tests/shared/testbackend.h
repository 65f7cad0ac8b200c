#pragma once

// The adapter a test runs against: a fresh simulated Ferrule-2X behind the test hooks
// (FaultyAdapter), installed as the device layer's backend by install() and taken away,
// with the device closed and the pending-frame queue emptied, by remove() or when the
// object goes.

#include "device/devicelayer.h"
#include "device/sim/simulatedadapter.h"
#include "receive/pendingframes.h"
#include "tests/shared/faultyadapter.h"
#include "tests/shared/testsetup.h"

#include <memory>

class TestBackend
{
public:
    TestBackend() = default;
    TestBackend(const TestBackend &) = delete;
    TestBackend &operator=(const TestBackend &) = delete;
    ~TestBackend() { remove(); }

    void install(const SimulatorConfig &config = SimulatorConfig())
    {
        remove();
        sim = std::make_shared<SimulatedAdapter>(config);
        faults = std::make_shared<FaultyAdapter>(sim);
        setVendorBackend(faults);
        resetDeviceState();
    }

    // install() with both channels started as the open dialog does by default, and an
    // empty pending-frame queue; false when a start-up step fails.
    bool installRunning()
    {
        install();
        const bool running = openBothChannels();
        takePending();
        return running;
    }

    void remove()
    {
        if (!sim)
            return;
        closeDevice();
        setVendorBackend(nullptr);
        faults.reset();
        sim.reset();
        takePending();
    }

    std::shared_ptr<SimulatedAdapter> sim;
    std::shared_ptr<FaultyAdapter> faults; // the installed backend: sim behind the hooks
};

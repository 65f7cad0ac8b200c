#pragma once

// The simulated Ferrule-2X on a virtual bus clock, opened with both channels started,
// for tests that drive the simulator through the vendor interface.

#include "device/sim/simulatedadapter.h"
#include "tests/shared/virtualsimclock.h"

#include <cstring>
#include <memory>
#include <vector>

inline SimulatorConfig onClock(SimulatorConfig config,
                               const std::shared_ptr<VirtualSimClock> &clock)
{
    config.clock = clock;
    return config;
}

// An open adapter with both channels started on the same bus timing, on a bus clock that
// moves only when the test (or a wait inside the adapter) moves it.
struct SimulatedBus
{
    explicit SimulatedBus(const SimulatorConfig &config = SimulatorConfig())
        : clock(std::make_shared<VirtualSimClock>()), sim(onClock(config, clock))
    {
    }

    bool open(uint8_t mode0 = 0, uint8_t mode1 = 0, uint32_t arbitration = 500000,
              uint32_t data = 2000000)
    {
        device = sim.openDevice(FerruleDeviceType, 0, 0);
        const uint8_t modes[2] = {mode0, mode1};
        for (uint32_t ch = 0; ch < 2; ++ch) {
            if (sim.setCanFdStandard(device, ch, 0) != 1 ||
                sim.setArbitrationBaudRate(device, ch, arbitration) != 1 ||
                sim.setDataBaudRate(device, ch, data) != 1)
                return false;
            ChannelInitConfig config{};
            config.channelType = 1;
            config.workMode = config.workMode2 = modes[ch];
            handle[ch] = sim.initCan(device, ch, &config);
            if (handle[ch] == 0 || sim.startCan(handle[ch]) != 1)
                return false;
        }
        return device != 0;
    }
    bool property(const char *path, const char *value)
    {
        return sim.getPropertyTable(device)->setValue(path, value) == 1;
    }
    uint32_t sendClassic(int ch, uint32_t id, uint32_t type = 0)
    {
        CanTxRecord tx{};
        tx.id = id;
        tx.length = 8;
        for (uint8_t i = 0; i < 8; ++i)
            tx.data[i] = uint8_t(0xA0 + i);
        tx.transmitType = type;
        return sim.transmit(handle[ch], &tx, 1);
    }
    uint32_t sendFd(int ch, uint32_t id, uint8_t length, bool brs)
    {
        CanFdTxRecord tx{};
        tx.id = id;
        tx.length = length;
        tx.flags = brs ? 1 : 0;
        std::memset(tx.data, 0x5C, length);
        return sim.transmitFd(handle[ch], &tx, 1);
    }
    // Lets the wire carry everything queued so far (10 ms of bus time).
    void settle() { clock->advanceUs(10000); }
    uint32_t classicWaiting(int ch)
    {
        settle();
        std::vector<CanRxRecord> rx(64);
        return sim.receive(handle[ch], rx.data(), 64, 0);
    }
    uint32_t fdWaiting(int ch)
    {
        settle();
        std::vector<CanFdRxRecord> rx(64);
        return sim.receiveFd(handle[ch], rx.data(), 64, 0);
    }

    std::shared_ptr<VirtualSimClock> clock;
    SimulatedAdapter sim;
    uint32_t device = 0;
    uint32_t handle[2] = {0, 0};
};

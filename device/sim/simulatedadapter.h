#pragma once

// A simulated two-channel Ferrule-2X behind the vendor interface.
//
// Bus: both channels sit on one simulated wire (or each on its own, `separateWires`). A
// transmit call puts its frames into the channel's transmit FIFO; the wire (simwire.h)
// sends them one after the other, each for its exact duration at the channel's rates
// (canframebits.h), the FIFO heads of the channels and the frames of the simulated nodes
// contending by arbitration. A frame that has ended reaches every other started channel
// on the same wire whose timing agrees with the sender's (same arbitration rate or custom
// timing text; for CAN FD frames also the same CAN FD standard; for bit-rate-switch frames
// also the same data rate) and whose acceptance filter passes it. A channel whose timing
// does not agree sees an error frame instead (canerrorframe.h: a form error), counted in
// errorFrames; the transmit still succeeds. Transmit types 2 and 3 also hand each frame
// back to the sender once it has gone out (its own acceptance filter does not apply to
// these). A listen-only channel receives but cannot transmit. Classic frames land in the
// classic receive FIFO, CAN FD frames in the CAN FD FIFO; a CAN FD length that is not a
// valid frame size is padded with zero bytes up to the next one.
//
// Other nodes: with traffic on, in nodes mode (the default) each wire carries the
// periodic messages of `nodes` (simnodes.h) while a channel on it is started, at the bit
// timing of the channel started first. Flood mode instead writes `trafficRate` frames a
// second straight into each started channel's receive FIFOs, beside the wire, for stress
// benchmarks.
//
// Refused transmits (result 0, nothing sent): records the bus cannot carry
// (cancarryrule.h), a batch larger than the transmit FIFO, a stopped or listen-only channel.
//
// FIFOs: per channel a transmit FIFO of `txFifoDepth` frames (512) and two receive FIFOs
// (classic and CAN FD) of `queueLimit` frames each (4096). A transmit call whose batch
// does not fit waits for the wire to make room (for the batch and 64 frames more, or the
// whole FIFO) and then queues the whole batch; it gives up (result 0, nothing of the
// batch queued) when the channel is reset or stopped meanwhile, or after 5 s of bus time
// (never reached while the wire runs: 512 frames drain in under 3 s even at 125 kbit/s).
// A frame that finds its receive FIFO full is dropped (the newest frames are lost, the
// oldest kept) and counted per channel (droppedFrames).
//
// The wire runs lazily: every call that looks at the bus (transmit, receive, the
// counters) first brings it up to the bus clock's present time.
//
// Bit rates: the set arbitration and data rates, or those read from a custom bit-rate
// text (the first two rates in it, such as "1.0M" / "500k" / "500000"); a channel without
// any runs at 500 kbit/s and 2 Mbit/s.
//
// Time stamps: microseconds of the bus clock since the device was opened. A frame that
// crossed the wire carries the time its EOF ended; deviceTimeUs() reads the same clock,
// so "deviceTimeUs() - timeStamp" is the age of a received frame (for generated traffic:
// the time since the generator produced it).
//
// Only one device is open at a time; the indexes 0 .. presentDevices-1 answer an open.
// Everything may be called from several threads at once.

#include "device/receivelosses.h"
#include "device/sim/simchannel.h"
#include "device/sim/simclock.h"
#include "device/sim/simnodes.h"
#include "device/sim/simtrafficsource.h"
#include "device/sim/simupdatevolume.h"
#include "device/sim/simwire.h"
#include "device/vendorapi.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

// Where the other nodes' traffic comes from.
enum class SimTrafficMode {
    Nodes, // the periodic messages of `nodes`, on the wire with everything else
    Flood  // frames straight into the receive FIFOs at trafficRate, beside the wire; for
           // stress benchmarks only
};

struct SimulatorConfig
{
    uint32_t presentDevices = 1;
    uint16_t firmwareVersion = 0x0211;
    bool traffic = false;
    SimTrafficMode trafficMode = SimTrafficMode::Nodes;
    QStringList nodes;          // message lines (simnodes.h); empty = defaultSimNodeLines()
    uint32_t trafficRate = 200; // flood: generated frames per second and channel
    SimTrafficMix trafficMix = SimTrafficMix::Mixed; // flood
    uint64_t seed = 1;
    size_t queueLimit = 4096;        // receive FIFO depth per channel and kind (classic, CAN FD)
    size_t txFifoDepth = 512;        // transmit FIFO depth per channel
    bool separateWires = false;      // each channel on a wire of its own
    std::shared_ptr<SimClock> clock; // bus clock; null = the steady clock
    int updateDelayMs = 1500;        // until the update volume appears
    QString configPath;              // INI file keeping FirmwareVersion; empty = not kept
    QString volumesRoot;             // empty = simulatedVolumesRoot()
};

// Folder standing for the list of mounted volumes: appFilePath("/sim-volumes"), or
// $LARKSPUR_SIM_VOLUMES when set.
QString simulatedVolumesRoot();

class SimulatedAdapter : public VendorApi, public ReceiveLossCounter
{
public:
    explicit SimulatedAdapter(const SimulatorConfig &config = SimulatorConfig());
    ~SimulatedAdapter() override;

    // Vendor interface.
    uint32_t openDevice(uint32_t deviceType, uint32_t deviceIndex, uint32_t reserved) override;
    uint32_t closeDevice(uint32_t device) override;
    uint32_t readBoardInfo(uint32_t device, BoardInfo *info) override;
    uint32_t deviceStatus(uint32_t device) override;
    uint32_t initCan(uint32_t device, uint32_t channelIndex,
                     const ChannelInitConfig *config) override;
    uint32_t startCan(uint32_t channel) override;
    uint32_t resetCan(uint32_t channel) override;
    uint32_t transmit(uint32_t channel, const CanTxRecord *records, uint32_t count) override;
    uint32_t receive(uint32_t channel, CanRxRecord *records, uint32_t capacity,
                     int32_t waitMs) override;
    uint32_t transmitFd(uint32_t channel, const CanFdTxRecord *records, uint32_t count) override;
    uint32_t receiveFd(uint32_t channel, CanFdRxRecord *records, uint32_t capacity,
                       int32_t waitMs) override;
    PropertyTable *getPropertyTable(uint32_t device) override;
    uint32_t switchToUpdateMode(uint32_t device) override;
    uint32_t setArbitrationBaudRate(uint32_t device, uint32_t channelIndex,
                                    uint32_t bitRate) override;
    uint32_t setDataBaudRate(uint32_t device, uint32_t channelIndex, uint32_t bitRate) override;
    uint32_t setCanFdStandard(uint32_t device, uint32_t channelIndex, uint32_t standard) override;
    uint32_t recover() override;

    // The property table's setter ("N/name" = value).
    uint32_t setProperty(const char *path, const char *value);

    // Device and bus.
    uint64_t deviceTimeUs() const;
    uint16_t firmwareVersion() const;
    bool isInUpdateMode() const;
    void setUpdateDelayMs(int delayMs);
    QString updateVolumePath() const;
    void setQueueLimit(size_t records);

    // Counters per channel index.
    uint64_t droppedFrames(int ch) const;                    // lost to full receive FIFOs
    ReceiveLosses receiveLosses(uint32_t ch) override; // the same, for the device layer
    uint64_t errorFrames(int ch) const;                      // error frames seen on its wire
    uint64_t generatedFrames(int ch) const;                  // produced by the traffic generator
    uint64_t transmittedFrames(int ch) const;                // accepted by transmit calls
    uint64_t wireSentFrames(int ch) const;                   // of those, gone out on the wire
    // The wire runs lazily: these bring it up to the bus clock's present time first.
    size_t queuedFrames(int ch);
    size_t pendingTransmits(int ch); // queued or on the wire, not yet delivered
    // Nanoseconds wire w (0, or 1 with separate wires) has carried frames, intermissions
    // included, up to the bus clock's present time.
    uint64_t wireBusyNs(int w);

    // Simulated traffic from other nodes.
    void setTrafficEnabled(bool enabled);
    void setTrafficRate(uint32_t framesPerSecond);
    // Produces count frames of the channel's stream now; returns how many (0 when stopped).
    uint32_t generateTraffic(int ch, uint32_t count);

private:
    class Properties;
    struct TrafficClock
    {
        bool running = false;
        uint32_t rate = 0;
        uint64_t startUs = 0;
        uint64_t produced = 0;
    };

    bool deviceUsable(uint32_t device) const;
    SimChannel *channelFor(uint32_t handle) const;
    SimChannel *channelAt(uint32_t device, uint32_t channelIndex) const;
    uint32_t channelHandle(uint32_t channelIndex) const;
    bool leaveUpdateMode();
    void resetChannels();
    template <typename Tx> uint32_t sendBatch(uint32_t handle, const Tx *records, uint32_t count);
    template <typename Tx>
    SimWireFrame wireFrame(const Tx &record, const SimBusTiming &timing, uint64_t nowNs) const;
    int indexOf(const SimChannel &channel) const;
    SimWire &wireOf(int ch);
    void advanceBus(uint64_t nowNs);            // under m_busMutex
    void updateNodes(int wire, uint64_t nowNs); // under m_busMutex
    void deliverTo(SimChannel &to, const CanFdRxRecord &rx, bool fd);
    void deliverFromWire(int wire, int sender, const SimWireFrame &frame, uint64_t endOfFrameNs);
    uint64_t nextBusEventNs() const;
    uint64_t stampUs(uint64_t clockNs) const;
    template <typename Rx>
    uint32_t takeBatch(uint32_t handle, Rx *records, uint32_t capacity, int32_t waitMs,
                       SimRxQueue<Rx> SimChannel::*queue);
    bool deliverFromNode(int ch, const CanFdRxRecord &frame, bool fd);
    void startTrafficThread();
    void stopTrafficThread();
    void runTraffic();
    void pumpTraffic(TrafficClock *clocks);

    SimulatorConfig m_config;
    std::unique_ptr<Properties> m_properties;
    std::unique_ptr<SimChannel> m_channels[2];
    std::shared_ptr<SimClock> m_clock;
    mutable std::mutex m_busMutex;           // channel timing, filters and modes; wires; delivery
    std::condition_variable m_busChanged;    // for receivers: frames queued or delivered
    std::condition_variable m_transmitReset; // for transmits waiting for room: a reset
    SimWire m_wires[2];
    SimBusTiming m_nodeTiming[2]; // the rates each wire's nodes run at
    std::atomic<uint32_t> m_openDevice{0};
    std::atomic<uint32_t> m_generation{0};
    std::atomic<uint64_t> m_openedAtNs{0};
    std::atomic<uint32_t> m_presentDevices;
    std::atomic<uint32_t> m_firmwareVersion;
    std::atomic<bool> m_updateMode{false};
    std::atomic<int> m_updateDelayMs;
    SimUpdateVolume m_volume;

    SimTrafficSource m_source;
    std::mutex m_sourceMutex;
    std::atomic<bool> m_trafficEnabled{false};
    std::atomic<uint32_t> m_trafficRate;
    std::thread m_trafficThread;
    std::mutex m_trafficMutex;
    std::condition_variable m_trafficWake;
    bool m_trafficStop = false;
};

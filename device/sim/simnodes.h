#pragma once

// The other nodes on a simulated wire: a list of periodic messages, as a car's ECUs send
// them. Each message goes out every period plus a random jitter of up to `jitterUs`; its
// bytes follow its pattern. One line of the list (config/adapter.ini, [Nodes]) reads
//
//   0x0C9 std 8 can 10 0.2 counter
//   0x18FEF100 ext 8 can 100 1 constant:11223344
//   0x180 std 32 brs 10 0.1 random
//
// identifier, std|ext, length, can|fd|brs, period in ms, jitter in ms, and
// counter (little-endian instance count from byte 0), random, or constant:<hex bytes>.
//
// A message whose previous instance has not yet won the wire when the next one is due
// skips that instance (a node's transmit buffer holds one frame per message).

#include "device/sim/simwireframe.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

struct SimNodeMessage
{
    enum class Pattern { Counter, Random, Constant };

    uint32_t idWord = 0; // identifier, with CanExtendedFlag for extended frames
    uint8_t length = 8;
    bool fd = false;
    bool bitRateSwitch = false;
    uint32_t periodUs = 100000;
    uint32_t jitterUs = 0;
    Pattern pattern = Pattern::Counter;
    QByteArray constant;

    // Parses one line as above; false (and *error set) when it is not a valid message.
    static bool parse(const QString &line, SimNodeMessage *message, QString *error);
};

// The default list: fifty messages at roughly 30 % load of a wire at the default rates
// (1 Mbit/s, 5 Mbit/s), as lines in the format above.
QStringList defaultSimNodeLines();
// Parses lines, skipping (and naming in *errors) those that are not valid.
std::vector<SimNodeMessage> parseSimNodeLines(const QStringList &lines, QStringList *errors);

class SimNodeSchedule
{
public:
    void setMessages(std::vector<SimNodeMessage> messages, uint64_t seed);

    // Starts the nodes at startNs with the given frame timing (the wire's rates); each
    // message's first instance is due at a seeded offset within its period.
    void start(uint64_t startNs, uint32_t arbitrationRate, uint32_t dataRate);
    void stop();
    bool isRunning() const { return m_running; }

    // The earliest time an instance falls due, SimTimeNever when stopped or empty.
    uint64_t nextDueNs() const;
    // Puts every instance due at or before nowNs into pool (marked with its message index)
    // unless the message's previous instance is still there.
    void release(uint64_t nowNs, std::vector<SimWireFrame> &pool);
    // Message index's instance has won the wire: its next one may be queued.
    void leftPool(int index);

private:
    struct State
    {
        uint64_t dueNs = 0;
        uint64_t instances = 0;
        bool pending = false;
    };

    SimWireFrame instanceOf(size_t index, uint64_t dueNs);
    uint64_t nextRandom();

    std::vector<SimNodeMessage> m_messages;
    std::vector<State> m_states;
    uint64_t m_random = 1;
    uint32_t m_arbitrationRate = 500000;
    uint32_t m_dataRate = 2000000;
    bool m_running = false;
};

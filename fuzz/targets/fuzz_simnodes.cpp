// The simulated nodes' message lines from config/adapter.ini: any text parses or is refused
// with a reason, and what parses is a frame a controller could send, which the schedule
// then puts on a wire without reading past its message.

#include "device/sim/simnodes.h"
#include "fuzzutil.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = fuzzutil::text(data, size).split(QLatin1Char('\n'));
    QStringList errors;
    std::vector<SimNodeMessage> messages = parseSimNodeLines(lines, &errors);
    for (const SimNodeMessage &m : messages) {
        const uint32_t id = m.idWord & CanIdMask;
        const bool extended = (m.idWord & CanExtendedFlag) != 0;
        if ((!extended && id > 0x7FF) || m.length > (m.fd ? 64 : 8) || m.periodUs < 100)
            __builtin_trap();
    }
    if (messages.size() > 64)
        messages.resize(64);
    SimNodeSchedule schedule;
    schedule.setMessages(messages, 1);
    schedule.start(0, 500000, 2000000);
    std::vector<SimWireFrame> pool;
    for (uint64_t now = 0; now <= 5000000 && pool.size() < 100000; now += 1000000) {
        schedule.release(now, pool);
        for (const SimWireFrame &frame : pool) {
            if (frame.record.length > 64 || frame.durationNs == 0)
                __builtin_trap();
            schedule.leftPool(frame.node);
        }
        pool.clear();
    }
    return 0;
}

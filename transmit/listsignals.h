#pragma once

// Signal values of a send-list row bound to a database message. Each chosen signal holds a
// physical value; a counter adds one raw step per send and a ramp adds its physical step
// per send, both wrapping from the signal's maximum back to its minimum (the range its
// width holds when the database gives none). Signals the row leaves out keep their start
// value (GenSigStartValue).
//
//   {"name": "Speed", "value": 50, "mode": "ramp", "step": 0.5}

#include "database/dbcdatabase.h"

#include <QString>

#include <cstdint>
#include <vector>

struct ListSignalValue
{
    enum Mode { Fixed = 0, Counter = 1, Ramp = 2 };

    QString name;
    double value = 0; // physical; where a counter or ramp starts
    int mode = Fixed;
    double step = 1; // a ramp's physical step per send

    bool operator==(const ListSignalValue &o) const
    {
        return name == o.name && value == o.value && mode == o.mode && step == o.step;
    }
};

// The message of a database by name, or nullptr.
const DbcMessage *messageNamed(const DbcDatabase &database, const QString &name);

// Binds a row's frame to the message: identifier, format, CAN FD (bit-rate switch kept when
// the row had it), length, payload encoded from values, and the period from
// GenMsgCycleTime when the database gives one.
struct ListSendRow;
void bindListRow(ListSendRow &row, const DbcMessage &message,
                 const std::vector<ListSignalValue> &values);

// The payload of the message with the values (their start values for the ones that
// move); signals the message does not have are ignored.
std::vector<uint8_t> encodeListSignals(const DbcMessage &message,
                                       const std::vector<ListSignalValue> &values);

// Rewrites the moving signals of a bound row's payload for each send.
class ListSignalStepper
{
public:
    ListSignalStepper(const DbcMessage &message, const std::vector<ListSignalValue> &values);
    bool isEmpty() const { return moving.empty(); }
    // Writes the moving signals' values of send number send (0 = the first).
    void apply(int64_t send, uint8_t *data, int size) const;

private:
    struct Moving
    {
        DbcSignal signal;
        int mode;
        double start;     // physical
        double step;      // physical
        double low, high; // physical range it wraps in
    };
    static double wrap(double value, double low, double high, double period);
    std::vector<Moving> moving;
};

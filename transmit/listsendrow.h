#pragma once

// One row of the send list as the user edits it, its checks (the send panels' rules) and
// the frame it puts on the bus.

#include "transmit/listsendthread.h"
#include "transmit/listsignals.h"

#include <QString>

#include <cstdint>
#include <vector>

struct ListSendRow
{
    enum Kind { Can = 0, CanFd = 1, CanFdBrs = 2 };

    bool enabled = true;
    int channel = 0;  // 0 or 1
    QString id = "0"; // hexadecimal
    bool extended = false;
    bool remote = false;
    int kind = Can;
    int length = 8;       // bytes
    QString data;         // byte pairs, as in the send panels
    int periodMs = 100;   // 0 = only when sent by hand
    int64_t count = -1;   // -1 = endless
    int transmitType = 0; // 0 normal, 1 single-shot, 2 self-reception, 3 single-shot self-reception
    QString comment;
    QString boundMessage; // database message the data is encoded from; empty = plain data
    std::vector<ListSignalValue> signalValues; // of the bound message

    // Empty when the row can be sent, else what is wrong with it (interface language).
    QString problem() const;
    ListSendFrame frame() const;

    static bool isValidLength(int kind, int length);
};

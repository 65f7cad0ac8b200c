#pragma once

// The list-send thread: one thread for every running row of both channels. It sleeps
// until the earliest deadline of its ListSchedule (woken early by starts and stops),
// hands the frames due at that moment to the device layer in one transmit call per
// channel and frame kind, and puts every sent frame into the pending-frame queue so it
// shows as Tx, is counted and recorded. A failed transmit ends the rows of that call
// whose frame fails again on its own; the others keep running.

#include "transmit/listschedule.h"
#include "transmit/listsignals.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class SentFrameBatch;

// One list row's frame as it goes on the bus.
struct ListSendFrame
{
    uint32_t channel = 0; // 0 or 1
    uint32_t id = 0;
    bool extended = false;
    bool remote = false;
    bool fd = false;
    bool brs = false;
    uint8_t length = 0; // bytes, already trimmed to the frame kind
    uint8_t data[64] = {};
    uint32_t transmitType = 0;
};

class ListSendThread : public QObject
{
    Q_OBJECT
public:
    ListSendThread();
    ~ListSendThread() override;

    // Starts a row: first send at once, then every periodMs; count sends (< 0 endless).
    // periodMs 0 sends once. A running row is restarted with the new frame. A stepper
    // rewrites the moving signals of the frame for every send.
    void startRow(int rowId, const ListSendFrame &frame, int periodMs, int64_t count,
                  std::shared_ptr<const ListSignalStepper> stepper = nullptr);
    void stopRow(int rowId);
    void stopAll();

    bool isRunning(int rowId) const;
    // Frames of the row sent since it was last started.
    int64_t sentCount(int rowId) const;

signals:
    // The row stopped by itself: count used up, or failed (transmit failure).
    void rowEnded(int rowId, bool failed);
    void log(QString msg);

private:
    struct RowState
    {
        ListSendFrame frame;
        int64_t sent = 0;
        std::shared_ptr<const ListSignalStepper> stepper;
        int64_t taken = 0; // sends handed out, the stepper's send number
    };
    static ListSendFrame nextFrame(RowState &state);
    struct DueFrame
    {
        int rowId;
        ListSendFrame frame;
        bool last;
    };

    void run();
    void sendDue(const std::vector<DueFrame> &due, SentFrameBatch &sent);
    // Frames of one channel and one kind in one call; returns the row ids that failed.
    template <typename Record>
    std::vector<int> transmitGroup(uint32_t ch, const std::vector<const DueFrame *> &group,
                                   SentFrameBatch &sent);
    void finishRows(const std::vector<DueFrame> &due, const std::vector<int> &failed);

    mutable std::mutex mutex;
    std::condition_variable wake;
    ListSchedule schedule;        // under mutex
    std::map<int, RowState> rows; // under mutex
    std::atomic<bool> quit{false};
    std::thread worker;
};

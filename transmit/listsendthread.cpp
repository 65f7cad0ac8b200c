#include "transmit/listsendthread.h"

#include "device/devicelayer.h"
#include "receive/frameformat.h"
#include "settings/settingsstore.h"
#include "transmit/sentframebatch.h"
#include "transmit/txrecords.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

namespace {

template <typename Record> Record toRecord(const ListSendFrame &f)
{
    Record r{};
    r.id = makeCanId(f.id, f.extended, f.remote, false);
    r.transmitType = f.transmitType;
    r.length = uint8_t(std::min<size_t>(f.length, sizeof(r.data)));
    if constexpr (std::is_same_v<Record, CanFdTxRecord>)
        r.flags = f.brs ? 1 : 0;
    std::memcpy(r.data, f.data, r.length);
    return r;
}

} // namespace

ListSendThread::ListSendThread()
{
    worker = std::thread([this] { run(); });
}

ListSendThread::~ListSendThread()
{
    quit = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
    }
    wake.notify_all();
    worker.join();
}

void ListSendThread::startRow(int rowId, const ListSendFrame &frame, int periodMs, int64_t count,
                              std::shared_ptr<const ListSignalStepper> stepper)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        rows[rowId] = RowState{frame, 0, std::move(stepper), 0};
        if (periodMs <= 0)
            count = 1;
        schedule.start(rowId, int(frame.channel), std::chrono::milliseconds(periodMs), count,
                       ListSchedule::Clock::now());
    }
    wake.notify_all();
}

void ListSendThread::stopRow(int rowId)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        schedule.stop(rowId);
    }
    wake.notify_all();
}

void ListSendThread::stopAll()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        schedule.clear();
    }
    wake.notify_all();
}

bool ListSendThread::isRunning(int rowId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return schedule.isRunning(rowId);
}

int64_t ListSendThread::sentCount(int rowId) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = rows.find(rowId);
    return it == rows.end() ? 0 : it->second.sent;
}

void ListSendThread::run()
{
    SentFrameBatch sent;
    std::unique_lock<std::mutex> lock(mutex);
    while (!quit) {
        std::vector<DueFrame> due;
        for (const auto &d : schedule.takeDue(ListSchedule::Clock::now()))
            due.push_back(DueFrame{d.rowId, nextFrame(rows[d.rowId]), d.last});
        if (!due.empty()) {
            lock.unlock();
            sendDue(due, sent);
            lock.lock();
            continue; // catch up on deadlines passed meanwhile
        }
        if (const auto until = schedule.nextDeadline())
            wake.wait_until(lock, *until);
        else
            wake.wait(lock);
    }
}

ListSendFrame ListSendThread::nextFrame(RowState &state)
{
    ListSendFrame frame = state.frame;
    if (state.stepper)
        state.stepper->apply(state.taken, frame.data, frame.length);
    ++state.taken;
    return frame;
}

void ListSendThread::sendDue(const std::vector<DueFrame> &due, SentFrameBatch &sent)
{
    std::vector<int> failed;
    for (uint32_t ch = 0; ch < 2; ++ch) {
        std::vector<const DueFrame *> classic, fd;
        for (const DueFrame &d : due) {
            if (d.frame.channel == ch)
                (d.frame.fd ? fd : classic).push_back(&d);
        }
        for (int id : transmitGroup<CanTxRecord>(ch, classic, sent))
            failed.push_back(id);
        for (int id : transmitGroup<CanFdTxRecord>(ch, fd, sent))
            failed.push_back(id);
    }
    finishRows(due, failed);
}

template <typename Record>
std::vector<int> ListSendThread::transmitGroup(uint32_t ch,
                                               const std::vector<const DueFrame *> &group,
                                               SentFrameBatch &sent)
{
    std::vector<int> failed;
    if (group.empty())
        return failed;
    std::vector<Record> records;
    records.reserve(group.size());
    for (const DueFrame *d : group)
        records.push_back(toRecord<Record>(d->frame));
    if (transmitAndQueue(ch, records.data(), uint32_t(records.size()), sent))
        return failed;
    // The call failed as a whole: find the rows whose frame fails on its own.
    for (size_t i = 0; i < records.size(); ++i) {
        if (!transmitAndQueue(ch, &records[i], 1, sent))
            failed.push_back(group[i]->rowId);
    }
    return failed;
}

void ListSendThread::finishRows(const std::vector<DueFrame> &due, const std::vector<int> &failed)
{
    std::vector<int> ended;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const DueFrame &d : due) {
            const bool bad = std::find(failed.begin(), failed.end(), d.rowId) != failed.end();
            if (!bad)
                ++rows[d.rowId].sent;
            else
                schedule.stop(d.rowId);
            if (d.last && !bad)
                ended.push_back(d.rowId);
        }
    }
    for (int id : failed) {
        emit log(byLanguage("列表发送: 第 %1 行发送失败, 已停止",
                            "列表發送: 第 %1 行發送失敗, 已停止",
                            "list send: row %1 failed to transmit, stopped")
                     .arg(id + 1));
        emit rowEnded(id, true);
    }
    for (int id : ended)
        emit rowEnded(id, false);
}

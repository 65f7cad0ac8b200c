#include "listschedule.h"

#include <algorithm>

void ListSchedule::start(int rowId, int channel, Duration period, int64_t count, TimePoint first)
{
    stop(rowId);
    if (count == 0 || (period <= Duration::zero() && count != 1))
        return;
    rows.push_back(Row{rowId, channel, period, count, first});
}

void ListSchedule::stop(int rowId)
{
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [rowId](const Row &r) { return r.rowId == rowId; }),
               rows.end());
}

void ListSchedule::clear()
{
    rows.clear();
}

bool ListSchedule::isRunning(int rowId) const
{
    return std::any_of(rows.begin(), rows.end(),
                       [rowId](const Row &r) { return r.rowId == rowId; });
}

bool ListSchedule::empty() const
{
    return rows.empty();
}

std::optional<ListSchedule::TimePoint> ListSchedule::nextDeadline() const
{
    if (rows.empty())
        return std::nullopt;
    const auto it = std::min_element(rows.begin(), rows.end(),
                                     [](const Row &a, const Row &b) { return a.next < b.next; });
    return it->next;
}

std::vector<ListSchedule::Due> ListSchedule::takeDue(TimePoint now)
{
    std::vector<Due> due;
    for (Row &r : rows) {
        if (r.next > now)
            continue;
        const bool last = r.remaining == 1;
        due.push_back(Due{r.rowId, r.channel, r.next, last});
        if (r.remaining > 0)
            --r.remaining;
        r.next += r.period;
    }
    rows.erase(
        std::remove_if(rows.begin(), rows.end(), [](const Row &r) { return r.remaining == 0; }),
        rows.end());
    std::stable_sort(due.begin(), due.end(),
                     [](const Due &a, const Due &b) { return a.deadline < b.deadline; });
    return due;
}

#pragma once

// The chosen signals of a signal window, decoded from the records the display refresh
// takes: each record of a chosen signal's channel and message gives one sample per chosen
// signal present in it. Samples carry the frame's device time stamp.

#include "database/signalcodec.h"
#include "receive/modelitem.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class SignalDatabases;
struct ItemFrame;

// A signal by channel, message identifier and name (what the settings and windows keep).
struct SignalRef
{
    int channel = 0; // 0 = channel 1
    uint32_t id = 0;
    bool extended = false;
    QString signal;

    bool operator==(const SignalRef &o) const
    {
        return channel == o.channel && id == o.id && extended == o.extended && signal == o.signal;
    }
};

struct SignalSample
{
    int slot = 0; // position in the selection
    double seconds = 0;
    double physical = 0;
    int64_t raw = 0;
};

class SignalFeed
{
public:
    explicit SignalFeed(const SignalDatabases *databases);

    // Chooses the signals; refs the loaded databases do not know stay in the selection
    // and give no samples.
    void setSelection(const std::vector<SignalRef> &refs);
    // Looks the selection up again (after a database was loaded or removed).
    void rebind();
    const std::vector<SignalRef> &selection() const { return refs; }
    // The database entries of a slot, or nullptr when the slot is not bound.
    const DbcMessage *messageOf(int slot) const;
    const DbcSignal *signalOf(int slot) const;
    // "Message.Signal (channel)" of a slot.
    QString label(int slot) const;

    // Appends the samples of the chosen signals in records to out.
    void feed(const QList<ModelItem> &records, std::vector<SignalSample> &out);
    // The same for one frame (its seconds are the sample time).
    void feedFrame(const ItemFrame &frame, std::vector<SignalSample> &out);

private:
    struct Bound
    {
        std::shared_ptr<const DbcDatabase> db;
        const DbcMessage *message = nullptr;
        int index = -1;
    };
    static quint64 frameKey(uint32_t channel, uint32_t id, bool extended)
    {
        return (quint64(channel) << 33) | (quint64(extended) << 32) | id;
    }

    const SignalDatabases *databases;
    std::vector<SignalRef> refs;
    std::vector<Bound> bound;
    QHash<quint64, std::vector<int>> slotsByFrame;
    DecodedFrame scratch;
    QElapsedTimer clock; // for records without a readable time stamp
};

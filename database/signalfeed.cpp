#include "signalfeed.h"

#include "database/itemframe.h"
#include "database/signaldatabases.h"

SignalFeed::SignalFeed(const SignalDatabases *databases) : databases(databases)
{
    clock.start();
}

void SignalFeed::setSelection(const std::vector<SignalRef> &chosen)
{
    refs = chosen;
    rebind();
}

void SignalFeed::rebind()
{
    bound.assign(refs.size(), Bound());
    slotsByFrame.clear();
    for (size_t slot = 0; slot < refs.size(); ++slot) {
        const SignalRef &ref = refs[slot];
        Bound &b = bound[slot];
        b.db = databases->database(ref.channel);
        b.message = b.db ? b.db->find(ref.id, ref.extended) : nullptr;
        b.index = b.message ? b.message->signalIndex(ref.signal) : -1;
        if (b.index < 0) {
            b = Bound();
            continue;
        }
        slotsByFrame[frameKey(uint32_t(ref.channel), ref.id, ref.extended)].push_back(int(slot));
    }
}

const DbcMessage *SignalFeed::messageOf(int slot) const
{
    return slot >= 0 && size_t(slot) < bound.size() ? bound[size_t(slot)].message : nullptr;
}

const DbcSignal *SignalFeed::signalOf(int slot) const
{
    const DbcMessage *message = messageOf(slot);
    return message ? &message->signalList[size_t(bound[size_t(slot)].index)] : nullptr;
}

QString SignalFeed::label(int slot) const
{
    if (slot < 0 || size_t(slot) >= refs.size())
        return QString();
    const SignalRef &ref = refs[size_t(slot)];
    const DbcMessage *message = messageOf(slot);
    const QString messageName =
        message ? message->name : QStringLiteral("0x") + QString::number(ref.id, 16).toUpper();
    return QStringLiteral("%1.%2 (%3)").arg(messageName, ref.signal).arg(ref.channel + 1);
}

void SignalFeed::feed(const QList<ModelItem> &records, std::vector<SignalSample> &out)
{
    if (slotsByFrame.isEmpty())
        return;
    ItemFrame frame;
    for (const ModelItem &item : records) {
        // The identifier text is checked before anything else is read.
        if (!readItemFrame(item, frame))
            continue;
        if (!frame.hasTime)
            frame.seconds = clock.nsecsElapsed() * 1e-9;
        feedFrame(frame, out);
    }
}

void SignalFeed::feedFrame(const ItemFrame &frame, std::vector<SignalSample> &out)
{
    const auto it = slotsByFrame.constFind(frameKey(frame.channel, frame.id, frame.extended));
    if (it == slotsByFrame.constEnd())
        return;
    const DbcMessage *message = bound[size_t(it->front())].message;
    SignalCodec::decode(*message, frame.data, frame.length, scratch);
    for (const int slot : *it) {
        const int index = bound[size_t(slot)].index;
        for (const DecodedSignal &value : scratch.values) {
            if (value.index == index) {
                out.push_back({slot, frame.seconds, value.physical, value.raw});
                break;
            }
        }
    }
}

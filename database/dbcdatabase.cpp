#include "dbcdatabase.h"

#include <algorithm>

QString DbcSignal::valueText(int64_t raw) const
{
    const auto it = std::lower_bound(valueTexts.begin(), valueTexts.end(), raw,
                                     [](const auto &entry, int64_t v) { return entry.first < v; });
    return it != valueTexts.end() && it->first == raw ? it->second : QString();
}

int DbcMessage::signalIndex(const QString &signalName) const
{
    for (size_t i = 0; i < signalList.size(); ++i) {
        if (signalList[i].name == signalName)
            return int(i);
    }
    return -1;
}

const DbcMessage *DbcDatabase::find(uint32_t id, bool extended) const
{
    const auto it = byId.constFind(key(id, extended));
    return it == byId.constEnd() ? nullptr : &messages[size_t(*it)];
}

void DbcDatabase::buildIndex()
{
    byId.clear();
    byId.reserve(int(messages.size()));
    for (size_t i = 0; i < messages.size(); ++i)
        byId.insert(key(messages[i].id, messages[i].extended), int(i));
}

int DbcDatabase::signalCount() const
{
    int count = 0;
    for (const DbcMessage &message : messages)
        count += int(message.signalList.size());
    return count;
}

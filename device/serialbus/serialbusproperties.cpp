#include "device/serialbus/serialbusproperties.h"

#include "device/serialbus/serialbusbackend.h"

namespace {

// "0x" + hexadecimal digits, at most a 29-bit identifier.
bool parseIdentifier(const QString &text, uint32_t *id)
{
    if (!text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || text.size() < 3)
        return false;
    bool ok = false;
    const qulonglong value = text.mid(2).toULongLong(&ok, 16);
    *id = uint32_t(value);
    return ok && value <= CanIdMask;
}

} // namespace

uint32_t SerialBusProperties::setValue(const char *path, const char *value)
{
    const QString pathText = QString::fromLatin1(path ? path : "");
    const int slash = pathText.indexOf(QLatin1Char('/'));
    bool ok = false;
    const uint ch = pathText.left(slash).toUInt(&ok);
    if (slash < 0 || !ok || ch > 1)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    return apply(int(ch), pathText.mid(slash + 1), QString::fromUtf8(value ? value : "")) ? 1 : 0;
}

void SerialBusProperties::reset()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_edits[0] = FilterEdit();
    m_edits[1] = FilterEdit();
}

bool SerialBusProperties::apply(int ch, const QString &name, const QString &value)
{
    FilterEdit &edit = m_edits[ch];
    if (name == QLatin1String("baud_rate_custom"))
        return m_backend->applyCustomBitRate(uint32_t(ch), value);
    if (name == QLatin1String("filter_clear")) {
        edit = FilterEdit();
        return m_backend->applyFilter(uint32_t(ch), SerialBusFilter());
    }
    if (name == QLatin1String("filter_mode"))
        return setMode(edit, value);
    if (name == QLatin1String("filter_start")) {
        edit.haveStart = parseIdentifier(value, &edit.start);
        return edit.haveStart;
    }
    if (name == QLatin1String("filter_end"))
        return addRange(edit, value);
    if (name == QLatin1String("filter_ack"))
        return m_backend->applyFilter(uint32_t(ch), edit.ranges);
    return false;
}

bool SerialBusProperties::setMode(FilterEdit &edit, const QString &value)
{
    edit.haveMode = value == QLatin1String("0") || value == QLatin1String("1");
    edit.extended = value == QLatin1String("1");
    edit.haveStart = false;
    return edit.haveMode;
}

bool SerialBusProperties::addRange(FilterEdit &edit, const QString &endText)
{
    uint32_t end = 0;
    if (!edit.haveMode || !edit.haveStart || !parseIdentifier(endText, &end) || end < edit.start)
        return false;
    if (!edit.extended && end > 0x7FF)
        return false;
    edit.ranges.add({edit.extended, edit.start, end});
    edit.haveStart = false;
    return true;
}

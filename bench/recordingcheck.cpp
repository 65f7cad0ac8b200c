#include "bench/recordingcheck.h"

#include "record/csvformat.h"
#include "record/csvframereader.h"

#include <QStringList>

#include <cstring>
#include <optional>

namespace {

constexpr int IndexField = 0;
constexpr int DirectionField = 4;
constexpr int MinFields = 11;

class OrderCheck
{
public:
    explicit OrderCheck(RecordingCheck &result) : out(result) {}

    void row(const QStringList &fields)
    {
        ++out.rows;
        if (fields.size() < MinFields) {
            problem(QStringLiteral("%1 fields").arg(fields.size()));
            return;
        }
        checkIndex(fields.at(IndexField));
        if (fields.at(DirectionField) == QLatin1String("Rx"))
            checkSequence(parseCsvFrame(fields));
    }

private:
    void checkIndex(const QString &text)
    {
        bool ok = false;
        const uint64_t index = text.toULongLong(&ok);
        if (!ok || (lastIndex && index != *lastIndex + 1))
            problem(QStringLiteral("index %1 after %2").arg(text).arg(lastIndex.value_or(0)));
        lastIndex = index;
    }

    void checkSequence(const CsvFrame &frame)
    {
        const int channel = frame.channelField - 1;
        if (channel < 0 || channel > 1 || frame.length < 4) {
            problem(
                QStringLiteral("channel %1, length %2").arg(frame.channelField).arg(frame.length));
            return;
        }
        uint32_t sequence = 0;
        std::memcpy(&sequence, frame.data, sizeof(sequence));
        std::optional<uint32_t> &last = lastSequence[channel][frame.canFd ? 1 : 0];
        if (last && sequence <= *last)
            problem(QStringLiteral("channel %1 %2 frame %3 after %4")
                        .arg(channel + 1)
                        .arg(frame.canFd ? QStringLiteral("CAN FD") : QStringLiteral("classic"))
                        .arg(sequence)
                        .arg(*last));
        last = sequence;
    }

    void problem(const QString &what)
    {
        if (out.outOfOrder++ == 0)
            out.firstProblem = QStringLiteral("row %1: %2").arg(out.rows).arg(what);
    }

    RecordingCheck &out;
    std::optional<uint64_t> lastIndex;
    std::optional<uint32_t> lastSequence[2][2]; // by channel, then classic / CAN FD
};

} // namespace

RecordingCheck checkRecording(const QString &path)
{
    RecordingCheck result;
    CsvFrameReader reader;
    if (!reader.open(path)) {
        result.outOfOrder = 1;
        result.firstProblem = reader.errorString();
        return result;
    }
    OrderCheck check(result);
    QStringList fields;
    while (reader.readRow(fields))
        check.row(fields);
    return result;
}

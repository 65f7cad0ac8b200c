#include "statistics/idmonitormodel.h"

#include "database/signaldatabases.h"
#include "database/signaltext.h"
#include "device/vendorapi.h"
#include "settings/settingsstore.h"

#include <algorithm>

namespace {

constexpr char16_t hexDigits[] = u"0123456789ABCDEF";

double milliseconds(double us)
{
    return us / 1000.0;
}

} // namespace

IdMonitorModel::IdMonitorModel(const IdMonitor *monitor, const SignalDatabases *databases,
                               QObject *parent)
    : QAbstractTableModel(parent), monitor(monitor), databases(databases),
      generation(monitor->generation())
{
    if (databases)
        connect(databases, &SignalDatabases::changed, this, &IdMonitorModel::databasesChanged);
}

void IdMonitorModel::refresh(uint64_t now)
{
    nowUs = now;
    if (generation != monitor->generation()) {
        beginResetModel();
        generation = monitor->generation();
        filterTexts.clear();
        endResetModel();
    }
    const int shown = int(filterTexts.size());
    if (monitor->size() > shown) {
        beginInsertRows(QModelIndex(), shown, monitor->size() - 1);
        for (int row = shown; row < monitor->size(); ++row) {
            const IdMonitorEntry &e = monitor->entry(row);
            filterTexts.push_back(QString::number(e.channel + 1) + QLatin1Char(' ') +
                                  idText(e.idWord));
        }
        endInsertRows();
    }
    if (!filterTexts.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void IdMonitorModel::applyLanguage()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!filterTexts.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

QString IdMonitorModel::idText(uint32_t idWord)
{
    const uint32_t id = idWord & CanIdMask;
    int digits = 1;
    while (digits < 8 && (id >> (4 * digits)) != 0)
        ++digits;
    digits = std::max(digits, (idWord & CanExtendedFlag) ? 8 : 3);
    char16_t buffer[10] = {u'0', u'x'};
    for (int i = 0; i < digits; ++i)
        buffer[1 + digits - i] = hexDigits[(id >> (4 * i)) & 15];
    return QString(reinterpret_cast<const QChar *>(buffer), 2 + digits);
}

int IdMonitorModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(filterTexts.size());
}

int IdMonitorModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant IdMonitorModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= monitor->size())
        return QVariant();
    const IdMonitorEntry &e = monitor->entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return text(e, index.column());
    case SortRole:
        return sortValue(e, index.column());
    case FilterRole:
        return filterTexts[size_t(index.row())];
    case ChangedBytesRole:
        if (index.column() != Data)
            return QVariant();
        return qulonglong(e.changedSince(nowUs >= ChangedWindowUs ? nowUs - ChangedWindowUs : 0));
    case Qt::TextAlignmentRole:
        if (index.column() >= Count && index.column() <= Length)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    }
    return QVariant();
}

QString IdMonitorModel::text(const IdMonitorEntry &e, int column) const
{
    switch (column) {
    case Channel:
        return QString::number(e.channel + 1);
    case Direction:
        return e.received ? QStringLiteral("Rx") : QStringLiteral("Tx");
    case Id:
        return idText(e.idWord);
    case Type:
        return typeText(e);
    case Count:
        return QString::number(e.count);
    case Rate:
        return QString::number(e.rate);
    case Cycle:
        return cycleText(e, e.cycleLastUs);
    case CycleMin:
        return cycleText(e, e.cycleMinUs);
    case CycleMean:
        return cycleText(e, e.cycleMeanUs);
    case CycleMax:
        return cycleText(e, e.cycleMaxUs);
    case Jitter:
        return cycleText(e, e.jitterUs());
    case Length:
        return QString::number(e.length);
    case Data:
        return dataText(e);
    case Since:
        return sinceText(e);
    case Signals:
        return signalsText(e);
    }
    return QString();
}

QVariant IdMonitorModel::sortValue(const IdMonitorEntry &e, int column) const
{
    const bool noCycle = e.cycles == 0;
    switch (column) {
    case Channel:
        return e.channel;
    case Id:
        // By identifier, then standard before extended, then data, remote, error.
        return qulonglong((uint64_t(e.idWord & CanIdMask) << 3) | (e.idWord >> 29));
    case Count:
        return qulonglong(e.count);
    case Rate:
        return e.rate;
    case Cycle:
        return noCycle ? -1.0 : e.cycleLastUs;
    case CycleMin:
        return noCycle ? -1.0 : e.cycleMinUs;
    case CycleMean:
        return noCycle ? -1.0 : e.cycleMeanUs;
    case CycleMax:
        return noCycle ? -1.0 : e.cycleMaxUs;
    case Jitter:
        return noCycle ? -1.0 : e.jitterUs();
    case Length:
        return e.length;
    case Since:
        return qulonglong(e.lastSeenUs <= nowUs ? nowUs - e.lastSeenUs : 0);
    }
    return text(e, column);
}

QString IdMonitorModel::typeText(const IdMonitorEntry &e)
{
    QString kind = !e.fd             ? QStringLiteral("CAN")
                   : e.bitRateSwitch ? QStringLiteral("CAN FD BRS")
                                     : QStringLiteral("CAN FD");
    if (e.idWord & CanErrorFlag)
        kind += QLatin1Char(' ') + byLanguage("错误帧", "錯誤幀", "error");
    else if (e.idWord & CanRemoteFlag)
        kind += QLatin1Char(' ') + byLanguage("远程帧", "遠程幀", "remote");
    return kind;
}

// "12 34 AB": two upper-case digits per byte, three characters apart.
QString IdMonitorModel::dataText(const IdMonitorEntry &e)
{
    char16_t buffer[3 * 64];
    for (int i = 0; i < e.payloadBytes; ++i) {
        buffer[3 * i] = hexDigits[e.data[i] >> 4];
        buffer[3 * i + 1] = hexDigits[e.data[i] & 15];
        buffer[3 * i + 2] = u' ';
    }
    const int length = e.payloadBytes > 0 ? 3 * e.payloadBytes - 1 : 0;
    return QString(reinterpret_cast<const QChar *>(buffer), length);
}

QString IdMonitorModel::cycleText(const IdMonitorEntry &e, double us)
{
    return e.cycles > 0 ? QString::number(milliseconds(us), 'f', 3) : QString();
}

QString IdMonitorModel::sinceText(const IdMonitorEntry &e) const
{
    const uint64_t us = e.lastSeenUs <= nowUs ? nowUs - e.lastSeenUs : 0;
    return QString::number(double(us) / 1e6, 'f', 2);
}

QString IdMonitorModel::signalsText(const IdMonitorEntry &e) const
{
    if (!databases || (e.idWord & (CanErrorFlag | CanRemoteFlag)))
        return QString();
    const auto db = databases->database(int(e.channel));
    const DbcMessage *message =
        db ? db->find(e.idWord & CanIdMask, (e.idWord & CanExtendedFlag) != 0) : nullptr;
    if (!message)
        return QString();
    SignalCodec::decode(*message, e.data, e.payloadBytes, decoded);
    const QString values = decodedSignalsText(*message, decoded);
    return values.isEmpty() ? message->name : message->name + QStringLiteral(": ") + values;
}

void IdMonitorModel::databasesChanged()
{
    if (!filterTexts.empty())
        emit dataChanged(index(0, Signals), index(rowCount() - 1, Signals));
}

QVariant IdMonitorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Channel:
        return byLanguage("通道", "通道", "Channel");
    case Direction:
        return byLanguage("方向", "方向", "Direction");
    case Id:
        return byLanguage("帧ID", "幀ID", "ID");
    case Type:
        return byLanguage("类型", "類型", "Type");
    case Count:
        return byLanguage("次数", "次數", "Count");
    case Rate:
        return byLanguage("速率 (/秒)", "速率 (/秒)", "Rate (/s)");
    case Cycle:
        return byLanguage("周期 (ms)", "週期 (ms)", "Cycle (ms)");
    case CycleMin:
        return byLanguage("最小 (ms)", "最小 (ms)", "Min (ms)");
    case CycleMean:
        return byLanguage("平均 (ms)", "平均 (ms)", "Mean (ms)");
    case CycleMax:
        return byLanguage("最大 (ms)", "最大 (ms)", "Max (ms)");
    case Jitter:
        return byLanguage("抖动 (ms)", "抖動 (ms)", "Jitter (ms)");
    case Length:
        return byLanguage("长度", "長度", "Length");
    case Data:
        return byLanguage("数据", "資料", "Data");
    case Since:
        return byLanguage("距上次 (s)", "距上次 (s)", "Since (s)");
    case Signals:
        return byLanguage("信号", "訊號", "Signals");
    }
    return QVariant();
}

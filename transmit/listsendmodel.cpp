#include "transmit/listsendmodel.h"

#include "settings/settingsstore.h"
#include "transmit/sendpanelrules.h"

ListSendModel::ListSendModel(QObject *parent) : QAbstractTableModel(parent) {}

int ListSendModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : list.size();
}

int ListSendModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QStringList ListSendModel::choices(int column)
{
    switch (column) {
    case Channel:
        return {byLanguage("通道1", "通道1", "channel 1"),
                byLanguage("通道2", "通道2", "channel 2")};
    case Format:
        return {byLanguage("标准帧", "標準幀", "standard"),
                byLanguage("扩展帧", "擴展幀", "extended")};
    case Type:
        return {byLanguage("数据帧", "數據幀", "data"), byLanguage("远程帧", "遠程幀", "remote")};
    case Protocol:
        return {"CAN", "CAN FD", byLanguage("CAN FD 加速", "CAN FD 加速", "CAN FD with BRS")};
    case TransmitType:
        return {byLanguage("正常发送", "正常發送", "normal"),
                byLanguage("单次发送", "單次發送", "single shot"),
                byLanguage("自发自收", "自發自收", "self reception"),
                byLanguage("单次自发自收", "單次自發自收", "single-shot self reception")};
    default:
        return {};
    }
}

namespace {

int choiceIndex(const ListSendRow &r, int column)
{
    switch (column) {
    case ListSendModel::Channel:
        return r.channel;
    case ListSendModel::Format:
        return r.extended ? 1 : 0;
    case ListSendModel::Type:
        return r.remote ? 1 : 0;
    case ListSendModel::Protocol:
        return r.kind;
    case ListSendModel::TransmitType:
        return r.transmitType;
    default:
        return -1;
    }
}

} // namespace

QVariant ListSendModel::displayText(const ListSendRow &r, int row, int column) const
{
    const QStringList options = choices(column);
    if (!options.isEmpty())
        return options.value(choiceIndex(r, column));
    switch (column) {
    case Id:
        return r.id;
    case Length:
        return r.length;
    case Data:
        return r.data;
    case Period:
        return r.periodMs;
    case Count:
        return qlonglong(r.count);
    case Comment:
        return r.comment;
    case Sent:
        return qlonglong(sent.value(row));
    case LastError:
        return errors.value(row);
    default:
        return {};
    }
}

QVariant ListSendModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= list.size())
        return {};
    const ListSendRow &r = list[index.row()];
    if (index.column() == Enabled)
        return role == Qt::CheckStateRole ? QVariant(r.enabled ? Qt::Checked : Qt::Unchecked)
                                          : QVariant();
    if (role == Qt::DisplayRole)
        return displayText(r, index.row(), index.column());
    if (role == Qt::EditRole) {
        const int choice = choiceIndex(r, index.column());
        return choice >= 0 ? QVariant(choice) : displayText(r, index.row(), index.column());
    }
    return {};
}

bool ListSendModel::applyEdit(ListSendRow &r, int column, const QVariant &value) const
{
    bool ok = true;
    switch (column) {
    case Channel:
        r.channel = value.toInt(&ok);
        break;
    case Id:
        r.id = value.toString().trimmed().toUpper();
        ok = !r.id.isEmpty();
        break;
    case Format:
        r.extended = value.toInt(&ok) == 1;
        break;
    case Type:
        r.remote = value.toInt(&ok) == 1;
        break;
    case Protocol:
        r.kind = value.toInt(&ok);
        if (r.kind == ListSendRow::Can && r.length > 8)
            r.length = 8;
        break;
    case Length:
        r.length = value.toInt(&ok);
        break;
    case Data:
        r.data = value.toString();
        break;
    case Period:
        r.periodMs = value.toInt(&ok);
        break;
    case Count:
        r.count = value.toLongLong(&ok);
        break;
    case TransmitType:
        r.transmitType = value.toInt(&ok);
        break;
    case Comment:
        r.comment = value.toString();
        break;
    default:
        return false;
    }
    // The data text takes the panels' form and is cut to the length.
    r.data = SendPanelRules::trimDataText(r.data, r.length).trimmed();
    return ok && r.problem().isEmpty();
}

bool ListSendModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.row() >= list.size())
        return false;
    ListSendRow &r = list[index.row()];
    if (index.column() == Enabled && role == Qt::CheckStateRole) {
        r.enabled = value.toInt() == Qt::Checked;
    } else if (role == Qt::EditRole) {
        ListSendRow edited = r;
        if (!applyEdit(edited, index.column(), value))
            return false;
        // Another identifier, format or length is no longer the bound message.
        if (index.column() == Id || index.column() == Format || index.column() == Length ||
            index.column() == Channel) {
            edited.boundMessage.clear();
            edited.signalValues.clear();
        }
        r = edited;
    } else {
        return false;
    }
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    return true;
}

Qt::ItemFlags ListSendModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == Enabled)
        return f | Qt::ItemIsUserCheckable;
    if (index.column() < Sent)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant ListSendModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
    case Enabled:
        return byLanguage("启用", "啟用", "on");
    case Channel:
        return byLanguage("通道", "通道", "channel");
    case Id:
        return byLanguage("帧ID", "幀ID", "ID");
    case Format:
        return byLanguage("帧格式", "幀格式", "format");
    case Type:
        return byLanguage("帧类型", "幀類型", "type");
    case Protocol:
        return byLanguage("协议", "協議", "protocol");
    case Length:
        return byLanguage("长度", "長度", "length");
    case Data:
        return byLanguage("数据", "數據", "data");
    case Period:
        return byLanguage("周期(ms)", "週期(ms)", "period (ms)");
    case Count:
        return byLanguage("次数", "次數", "count");
    case TransmitType:
        return byLanguage("发送方式", "發送方式", "transmit type");
    case Comment:
        return byLanguage("备注", "備註", "comment");
    case Sent:
        return byLanguage("已发送", "已發送", "sent");
    case LastError:
        return byLanguage("错误", "錯誤", "last error");
    default:
        return {};
    }
}

void ListSendModel::setRows(const QVector<ListSendRow> &rows)
{
    beginResetModel();
    list = rows;
    sent = QVector<int64_t>(rows.size(), 0);
    errors = QVector<QString>(rows.size());
    endResetModel();
}

void ListSendModel::addRow(int before, const ListSendRow &row)
{
    before = qBound(0, before, list.size());
    beginInsertRows({}, before, before);
    list.insert(before, row);
    sent.insert(before, 0);
    errors.insert(before, QString());
    endInsertRows();
}

void ListSendModel::removeRow(int r)
{
    if (r < 0 || r >= list.size())
        return;
    beginRemoveRows({}, r, r);
    list.remove(r);
    sent.remove(r);
    errors.remove(r);
    endRemoveRows();
}

void ListSendModel::moveRow(int from, int to)
{
    if (from < 0 || from >= list.size() || to < 0 || to >= list.size() || from == to)
        return;
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
    list.move(from, to);
    sent.move(from, to);
    errors.move(from, to);
    endMoveRows();
}

void ListSendModel::setSent(int r, int64_t count)
{
    if (r < 0 || r >= list.size() || sent[r] == count)
        return;
    sent[r] = count;
    emit dataChanged(index(r, Sent), index(r, Sent));
}

void ListSendModel::replaceRow(int r, const ListSendRow &row)
{
    if (r < 0 || r >= list.size())
        return;
    list[r] = row;
    emit dataChanged(index(r, 0), index(r, ColumnCount - 1));
}

void ListSendModel::setLastError(int r, const QString &error)
{
    if (r < 0 || r >= list.size())
        return;
    errors[r] = error;
    emit dataChanged(index(r, LastError), index(r, LastError));
}

void ListSendModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!list.isEmpty())
        emit dataChanged(index(0, 0), index(list.size() - 1, ColumnCount - 1));
}

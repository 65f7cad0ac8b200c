#pragma once

// The rows of the send list for the list-send table: one row per message, edited in place
// (a change that breaks a row's checks is refused), plus the live columns sent and last
// error that the dialog fills while rows run.

#include "transmit/listsendrow.h"

#include <QAbstractTableModel>
#include <QVector>

class ListSendModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Enabled,
        Channel,
        Id,
        Format,
        Type,
        Protocol,
        Length,
        Data,
        Period,
        Count,
        TransmitType,
        Comment,
        Sent,
        LastError,
        ColumnCount
    };

    explicit ListSendModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const QVector<ListSendRow> &rows() const { return list; }
    const ListSendRow &row(int r) const { return list[r]; }
    void setRows(const QVector<ListSendRow> &rows);
    void addRow(int before, const ListSendRow &row = {});
    // Puts an edited row in place (no checks: the editor has made it).
    void replaceRow(int r, const ListSendRow &row);
    void removeRow(int r);
    void moveRow(int from, int to);

    void setSent(int r, int64_t sent);
    void setLastError(int r, const QString &error);
    // Header texts follow the interface language.
    void retranslate();

    // Choice texts of the enumerated columns, in the interface language.
    static QStringList choices(int column);

private:
    QVariant displayText(const ListSendRow &r, int row, int column) const;
    bool applyEdit(ListSendRow &r, int column, const QVariant &value) const;

    QVector<ListSendRow> list;
    QVector<int64_t> sent;
    QVector<QString> errors;
};

#pragma once

// Binds a send-list row to a message of its channel's signal database and edits the
// message's signals by physical value: each one fixed, a counter or a ramp with its step.
// On OK the row's identifier, format, length, period (GenMsgCycleTime) and data follow the
// message; choosing no message unbinds the row and leaves its frame as it is.

#include "transmit/listsendrow.h"

#include <QDialog>

#include <memory>

struct DbcDatabase;
class QComboBox;
class QLabel;
class QTableWidget;

class ListSignalDialog : public QDialog
{
    Q_OBJECT
public:
    enum Column { Name, Value, Unit, Mode, Step, ColumnCount };

    ListSignalDialog(std::shared_ptr<const DbcDatabase> database, const ListSendRow &row,
                     QWidget *parent);
    // The row as edited (the original until accepted).
    ListSendRow editedRow() const;

    // What the controls reach, for tests: the message choice and the signal table.
    QComboBox *messageChoice() const { return messages; }
    QTableWidget *signalTable() const { return table; }

private:
    void showMessage(int index);
    std::vector<ListSignalValue> values() const;
    const DbcMessage *chosenMessage() const;

    std::shared_ptr<const DbcDatabase> database;
    ListSendRow row;
    QComboBox *messages;
    QLabel *info;
    QTableWidget *table;
};

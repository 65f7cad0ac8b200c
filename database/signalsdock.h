#pragma once

// The "Signals" dock beside the frame table: the decoded signals of the selected row
// (name, physical value, unit, value text, raw value), updated as the selection moves.

#include "receive/modelitem.h"

#include <QDockWidget>

class QTableWidget;
class SignalDatabases;

class SignalsDock : public QDockWidget
{
    Q_OBJECT
public:
    SignalsDock(const SignalDatabases *databases, QWidget *parent);
    void applyLanguage();
    // Decodes item with its channel's database (an empty list for unknown messages).
    void showFrame(const ModelItem &item);
    void clearFrame();

private:
    void setStatus(const QString &text);

    const SignalDatabases *databases;
    QTableWidget *table;
    ModelItem shown;
    bool hasFrame = false;
};

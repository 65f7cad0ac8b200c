#pragma once

// Chooses signals from the loaded databases: a tree of channel, message and signal with
// check boxes, and a filter field that narrows it by name.

#include "database/signalfeed.h"

#include <QDialog>

class QLineEdit;
class QTreeWidget;
class SignalDatabases;

class SignalPicker : public QDialog
{
    Q_OBJECT
public:
    SignalPicker(const SignalDatabases *databases, const std::vector<SignalRef> &chosen,
                 QWidget *parent);
    std::vector<SignalRef> chosen() const;

private:
    void fill(const std::vector<SignalRef> &chosen);
    void applyFilter(const QString &text);

    const SignalDatabases *databases;
    QLineEdit *filter;
    QTreeWidget *tree;
};

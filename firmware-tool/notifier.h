#pragma once

// Where the dialog's messages go: message boxes in the program, a recorder in tests.

#include <QString>

class QWidget;

class Notifier
{
public:
    virtual ~Notifier() = default;
    // Shows text with an OK button only, owned by parent, under the platform's default caption.
    virtual void notify(QWidget *parent, const QString &text) = 0;
};

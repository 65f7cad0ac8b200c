#pragma once

#include "notifier.h"

// Shows every message in a modal message box with a single OK button.
class MessageBoxNotifier : public Notifier
{
public:
    void notify(QWidget *parent, const QString &text) override;
};

#pragma once

// Runs an action on the next modal dialog of the given class once its exec() has
// started, so tests can drive dialogs that the code under test runs modally.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Returns the polling timer (parented to the application) so a test can stop waiting.
inline QTimer *whenModalAppears(const char *className, std::function<void(QWidget *)> action)
{
    auto *poll = new QTimer(qApp);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, className, action] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->inherits(className))
            return;
        poll->stop();
        poll->deleteLater();
        action(modal);
    });
    poll->start();
    return poll;
}

#pragma once

// The one way the device dialogs report to the user: message boxes with a single OK
// button and the request to quit the application after a firmware upgrade. Tests
// install their own sinks to record what would have been shown.

#include <QString>

#include <functional>

class QWidget;

enum class MessageKind { Information, Warning, Critical };

struct DialogMessage
{
    MessageKind kind = MessageKind::Warning;
    QString title;
    QString text;
};

using MessageSink = std::function<void(QWidget *parent, const DialogMessage &message)>;
using QuitSink = std::function<void()>;

// Shows the message (a modal QMessageBox unless a sink is installed).
void showDialogMessage(QWidget *parent, MessageKind kind, const QString &title,
                       const QString &text);
// Quits the application (QCoreApplication::quit unless a sink is installed).
void requestApplicationQuit();

// Install a sink; an empty function restores the default. Returns the previous sink.
MessageSink setMessageSink(MessageSink sink);
QuitSink setQuitSink(QuitSink sink);

// Message titles in the current language.
QString warningTitle(); // "警告" / "警告" / "warning"
QString tipTitle();     // "提示" / "提示" / "tip"
QString errorTitle();   // "错误" / "錯誤" / "error"

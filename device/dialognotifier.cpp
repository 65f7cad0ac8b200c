#include "device/dialognotifier.h"

#include "settings/settingsstore.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <utility>

namespace {

MessageSink &messageSink()
{
    static MessageSink sink;
    return sink;
}

QuitSink &quitSink()
{
    static QuitSink sink;
    return sink;
}

void showMessageBox(QWidget *parent, const DialogMessage &message)
{
    switch (message.kind) {
    case MessageKind::Information:
        QMessageBox::information(parent, message.title, message.text);
        break;
    case MessageKind::Warning:
        QMessageBox::warning(parent, message.title, message.text);
        break;
    case MessageKind::Critical:
        QMessageBox::critical(parent, message.title, message.text);
        break;
    }
}

} // namespace

void showDialogMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text)
{
    const DialogMessage message{kind, title, text};
    if (messageSink())
        messageSink()(parent, message);
    else
        showMessageBox(parent, message);
}

void requestApplicationQuit()
{
    if (quitSink())
        quitSink()();
    else
        QCoreApplication::quit();
}

MessageSink setMessageSink(MessageSink sink)
{
    return std::exchange(messageSink(), std::move(sink));
}

QuitSink setQuitSink(QuitSink sink)
{
    return std::exchange(quitSink(), std::move(sink));
}

QString warningTitle()
{
    return byLanguage("警告", "警告", "warning");
}

QString tipTitle()
{
    return byLanguage("提示", "提示", "tip");
}

QString errorTitle()
{
    return byLanguage("错误", "錯誤", "error");
}

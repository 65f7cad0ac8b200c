#pragma once

// Puts "打开日志…" into the analysis menu, asks for a log file and opens it in a new log
// viewer, whose replays go through the file-send path of the send panels.

#include <QObject>
#include <QString>

class LogViewer;
class MainMenus;
class QWidget;
class SendPanels;
class SignalDatabases;
class sendThread;

class LogViewerLauncher : public QObject
{
    Q_OBJECT
public:
    LogViewerLauncher(QWidget *window, MainMenus *menus, SendPanels *panels,
                      sendThread *fileThread);

    // The databases new viewers decode with.
    void setSignalDatabases(const SignalDatabases *databases) { signalDatabases = databases; }
    // A new viewer window showing path (tests call this instead of the menu action).
    LogViewer *openViewer(const QString &path);

private:
    void chooseAndOpen();

    QWidget *window;
    SendPanels *panels;
    sendThread *fileThread;
    const SignalDatabases *signalDatabases = nullptr;
};

#include "logview/logviewerlauncher.h"

#include "app/mainmenus.h"
#include "logview/logviewer.h"
#include "settings/settingsstore.h"
#include "transmit/sendpanels.h"
#include "transmit/sendthread.h"

#include <QAction>
#include <QFileDialog>

LogViewerLauncher::LogViewerLauncher(QWidget *window, MainMenus *menus, SendPanels *panels,
                                     sendThread *fileThread)
    : QObject(window), window(window), panels(panels), fileThread(fileThread)
{
    QAction *action = menus->addAnalysisAction(MenuTexts{"打开日志…", "開啟日誌…", "Open log…"});
    action->setObjectName(QStringLiteral("openLogAction"));
    connect(action, &QAction::triggered, this, &LogViewerLauncher::chooseAndOpen);
}

void LogViewerLauncher::chooseAndOpen()
{
    const QString path = QFileDialog::getOpenFileName(
        window, byLanguage("打开日志", "開啟日誌", "Open log"), QString(),
        byLanguage("日志文件", "日誌檔案", "Log files") +
            QStringLiteral(" (*.log *.asc *.blf *.trc *.csv);;") +
            byLanguage("所有文件", "所有檔案", "All files") + QStringLiteral(" (*)"));
    if (!path.isEmpty())
        openViewer(path);
}

LogViewer *LogViewerLauncher::openViewer(const QString &path)
{
    auto *viewer = new LogViewer(window);
    viewer->setReplayHandlers(
        [this](const QString &file, int interval, int channel) {
            return panels->startFileSend(file, 1, interval, channel);
        },
        [this] { panels->stopFileSend(); });
    connect(fileThread, &sendThread::endSend, viewer, &LogViewer::replayEnded);
    if (signalDatabases)
        viewer->setSignalDatabases(signalDatabases);
    viewer->show();
    viewer->openFile(path);
    return viewer;
}

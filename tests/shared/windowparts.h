#pragma once

// The parts of a main window that tests and benchmarks look at, found in the window's own
// object tree by type and, where a type could occur more than once, by object name.

#include "app/displayrefresh.h"
#include "app/mainmenus.h"
#include "database/signalanalysis.h"
#include "device/valuedialog.h"
#include "logview/logviewerlauncher.h"
#include "receive/mytablemodel.h"
#include "receive/recvthread.h"
#include "transmit/sendpanels.h"
#include "transmit/sendthread.h"

#include <QList>
#include <QObject>
#include <QTextEdit>

#include <algorithm>
#include <cstdint>

// The frame table's model.
inline MyTableModel *frameModelOf(const QObject *window)
{
    return window->findChild<MyTableModel *>(QStringLiteral("frameModel"));
}

inline MainMenus *menusOf(const QObject *window)
{
    return window->findChild<MainMenus *>();
}

// The two channels' send panels of the form.
inline SendPanels *sendPanelsOf(const QObject *window)
{
    return window->findChild<SendPanels *>(QStringLiteral("sendPanels"));
}

// The text of the log dock.
inline QTextEdit *logTextOf(const QObject *window)
{
    return window->findChild<QTextEdit *>(QStringLiteral("logView"));
}

inline DisplayRefresh *displayOf(const QObject *window)
{
    return window->findChild<DisplayRefresh *>();
}

inline const DisplayCounters &countersOf(const QObject *window)
{
    return displayOf(window)->counters();
}

inline uint32_t listLimitOf(const QObject *window)
{
    return displayOf(window)->listLimit();
}

// The list buffer size dialog.
inline valueDialog *listBufferDialogOf(const QObject *window)
{
    return window->findChild<valueDialog *>();
}

inline LogViewerLauncher *logViewersOf(const QObject *window)
{
    return window->findChild<LogViewerLauncher *>();
}

inline SignalAnalysis *signalAnalysisOf(const QObject *window)
{
    return window->findChild<SignalAnalysis *>();
}

namespace windowparts {

// The window's worker of type T for a channel (0 or 1), or null when there is none.
template <typename T> T *channelWorker(const QObject *window, int channel)
{
    QList<T *> workers = window->findChildren<T *>(QString(), Qt::FindDirectChildrenOnly);
    std::sort(workers.begin(), workers.end(),
              [](const T *a, const T *b) { return a->channelIndex() < b->channelIndex(); });
    return channel >= 0 && channel < workers.size() ? workers.at(channel) : nullptr;
}

} // namespace windowparts

inline recvThread *receiveThreadOf(const QObject *window, int channel)
{
    return windowparts::channelWorker<recvThread>(window, channel);
}

inline sendThread *transmitThreadOf(const QObject *window, int channel)
{
    return windowparts::channelWorker<sendThread>(window, channel);
}

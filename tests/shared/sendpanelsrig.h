#pragma once

// The two send threads and the channel send panels wired as the main window wires them,
// with what each thread reports (job ends, log lines) collected per channel.

#include "transmit/sendpanels.h"
#include "transmit/sendthread.h"

#include <QList>
#include <QStringList>

#include <memory>

struct SendPanelsRig
{
    std::unique_ptr<sendThread> threads[2];
    std::unique_ptr<SendPanels> panels;
    QList<uint> ends[2];
    QStringList logs[2];

    // New threads and panels; context owns the collecting connections.
    void build(QObject *context)
    {
        threads[0] = std::make_unique<sendThread>(0);
        threads[1] = std::make_unique<sendThread>(1);
        panels = std::make_unique<SendPanels>();
        panels->setSendThreads(threads[0].get(), threads[1].get());
        for (int ch = 0; ch < 2; ++ch) {
            sendThread *t = threads[ch].get();
            QObject::connect(t, &sendThread::endSend, panels.get(), &SendPanels::endSend);
            QObject::connect(t, &sendThread::endSend, context,
                             [this, ch](uint channel) { ends[ch] << channel; });
            QObject::connect(t, &sendThread::log, context,
                             [this, ch](const QString &line) { logs[ch] << line; });
            ends[ch].clear();
            logs[ch].clear();
        }
    }

    // Stops both threads and drops everything; false when a thread did not end in time.
    bool tearDown()
    {
        bool ended = true;
        for (auto &t : threads) {
            if (!t)
                continue;
            t->stop();
            ended = t->wait(30000) && ended;
        }
        panels.reset();
        threads[0].reset();
        threads[1].reset();
        return ended;
    }
};

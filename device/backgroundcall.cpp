#include "device/backgroundcall.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <thread>

void callInBackground(const std::function<void()> &call)
{
    // Without an event loop to keep alive (no application, or a thread of its own) the
    // call simply runs here.
    const QCoreApplication *application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        call();
        return;
    }
    QEventLoop loop;
    std::thread worker([&] {
        call();
        // Queued, so it reaches the loop even when the call ended before exec() began.
        QMetaObject::invokeMethod(&loop, "quit", Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
}

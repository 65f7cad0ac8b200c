#pragma once

// A node on the virtualcan bus driven by the test thread's event loop, for the tests of
// the QtSerialBus backend.

#include <QCanBus>
#include <QCanBusDevice>
#include <QTcpServer>
#include <QtTest>

#include <memory>

namespace VirtualBus {

constexpr int WaitMs = 10000; // upper bound for events to arrive, not a speed check
constexpr uint32_t SyncId = 0x7EF;

inline quint16 freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

// A device on the virtual bus driven by the test thread's event loop.
class Peer
{
public:
    explicit Peer(const QString &url)
    {
        device.reset(QCanBus::instance()->createDevice(QStringLiteral("virtualcan"), url));
        device->setConfigurationParameter(QCanBusDevice::CanFdKey, true);
        device->connectDevice();
        QObject::connect(device.get(), &QCanBusDevice::framesReceived, [this] {
            for (const QCanBusFrame &frame : device->readAllFrames()) {
                if (frame.frameId() == SyncId)
                    synced = true;
                else
                    received.append(frame);
            }
        });
    }
    bool waitConnected()
    {
        return QTest::qWaitFor([this] { return device->state() == QCanBusDevice::ConnectedState; },
                               WaitMs);
    }
    std::unique_ptr<QCanBusDevice> device;
    QVector<QCanBusFrame> received; // all but the sync frames
    bool synced = false;
};

} // namespace VirtualBus

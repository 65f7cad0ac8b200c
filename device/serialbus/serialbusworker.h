#pragma once

// Owner of the two QCanBusDevice objects of the QtSerialBus backend. It lives on the
// backend's worker thread, whose event loop drives the devices; every other thread
// reaches the devices through run(), which executes a function on that thread and
// waits for it. Tasks are handed over under a std::mutex, so the hand-over is visible
// to the thread sanitizer.

#include "device/serialbus/serialbusbackend.h"

#include <QCanBusDevice>
#include <QDeadlineTimer>
#include <QObject>
#include <QThread>
#include <QVariant>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class SerialBusChannel;

class SerialBusWorker : public QObject
{
    Q_OBJECT
public:
    SerialBusWorker(const SerialBusConfig &config, SerialBusChannel *channel0,
                    SerialBusChannel *channel1);
    ~SerialBusWorker() override;

    // Runs f on the worker thread and waits for it.
    void run(const std::function<void()> &f);

    // --- worker thread only ---
    // Creates both devices and starts connecting them; false and a reason on failure.
    bool connectDevices(QString *error);
    void disconnectDevices();
    // Writes the frames in order; stops at the first the plugin refuses.
    int writeFrames(int ch, const QVector<QCanBusFrame> &frames, QString *error);
    // Sets a configuration key; false when the plugin reports a configuration error.
    bool setParameter(int ch, QCanBusDevice::ConfigurationKey key, const QVariant &value,
                      QString *error);

    // --- any thread ---
    bool isConnected(int ch) const { return m_connected[ch & 1]; }
    bool hasFailed(int ch) const { return m_failed[ch & 1]; }
    // Waits, woken by the devices' state changes, until both are connected (-1), one has
    // failed (its channel) or the deadline passed (2).
    int waitForConnection(QDeadlineTimer deadline);
    QString deviceError(int ch) const;

private slots:
    void runTasks();

private:
    struct Task
    {
        const std::function<void()> *function;
        bool *done;
    };

    QCanBusDevice *createDevice(int ch, QString *error);
    void onStateChanged(int ch, QCanBusDevice::CanBusDeviceState state);
    void onError(int ch, QCanBusDevice::CanBusError error);
    void notifyState();

    const SerialBusConfig m_config;
    SerialBusChannel *m_channels[2];
    QCanBusDevice *m_devices[2] = {nullptr, nullptr};
    std::atomic<bool> m_connected[2] = {{false}, {false}};
    std::atomic<bool> m_failed[2] = {{false}, {false}};
    mutable std::mutex m_errorMutex;
    QString m_errors[2];
    std::mutex m_stateMutex;
    std::condition_variable m_stateChanged;
    std::mutex m_taskMutex;
    std::condition_variable m_taskDone;
    std::deque<Task> m_tasks;
};

#include "device/serialbus/serialbusworker.h"

#include "device/serialbus/serialbuschannel.h"

#include <QCanBus>

SerialBusWorker::SerialBusWorker(const SerialBusConfig &config, SerialBusChannel *channel0,
                                 SerialBusChannel *channel1)
    : m_config(config), m_channels{channel0, channel1}
{
}

SerialBusWorker::~SerialBusWorker()
{
    disconnectDevices();
}

void SerialBusWorker::run(const std::function<void()> &f)
{
    if (QThread::currentThread() == thread()) {
        f();
        return;
    }
    bool done = false;
    std::unique_lock<std::mutex> lock(m_taskMutex);
    m_tasks.push_back({&f, &done});
    QMetaObject::invokeMethod(this, "runTasks", Qt::QueuedConnection);
    m_taskDone.wait(lock, [&done] { return done; });
}

void SerialBusWorker::runTasks()
{
    std::unique_lock<std::mutex> lock(m_taskMutex);
    while (!m_tasks.empty()) {
        const Task task = m_tasks.front();
        m_tasks.pop_front();
        lock.unlock();
        (*task.function)();
        lock.lock();
        *task.done = true;
        m_taskDone.notify_all();
    }
}

bool SerialBusWorker::connectDevices(QString *error)
{
    for (int ch = 0; ch < 2; ++ch) {
        m_failed[ch] = false;
        m_devices[ch] = createDevice(ch, error);
        if (!m_devices[ch])
            return false;
    }
    for (int ch = 0; ch < 2; ++ch) {
        if (!m_devices[ch]->connectDevice()) {
            *error =
                QStringLiteral("%1 %2: %3")
                    .arg(m_config.plugin, m_config.interfaces[ch], m_devices[ch]->errorString());
            return false;
        }
    }
    return true;
}

QCanBusDevice *SerialBusWorker::createDevice(int ch, QString *error)
{
    QString reason;
    QCanBusDevice *device =
        QCanBus::instance()->createDevice(m_config.plugin, m_config.interfaces[ch], &reason);
    if (!device) {
        *error = QStringLiteral("plugin %1, interface %2: %3")
                     .arg(m_config.plugin, m_config.interfaces[ch], reason);
        return nullptr;
    }
    device->setConfigurationParameter(QCanBusDevice::CanFdKey, true);
    connect(device, &QCanBusDevice::framesReceived, this, [this, ch] {
        if (m_devices[ch])
            m_channels[ch]->deliver(m_devices[ch]->readAllFrames());
    });
    connect(device, &QCanBusDevice::stateChanged, this,
            [this, ch](QCanBusDevice::CanBusDeviceState state) { onStateChanged(ch, state); });
    connect(device, &QCanBusDevice::errorOccurred, this,
            [this, ch](QCanBusDevice::CanBusError e) { onError(ch, e); });
    return device;
}

void SerialBusWorker::disconnectDevices()
{
    for (int ch = 0; ch < 2; ++ch) {
        QCanBusDevice *device = m_devices[ch];
        m_devices[ch] = nullptr;
        m_connected[ch] = false;
        if (!device)
            continue;
        device->disconnect(this);
        if (device->state() != QCanBusDevice::UnconnectedState)
            device->disconnectDevice();
        delete device;
    }
}

int SerialBusWorker::writeFrames(int ch, const QVector<QCanBusFrame> &frames, QString *error)
{
    QCanBusDevice *device = m_devices[ch & 1];
    int written = 0;
    for (const QCanBusFrame &frame : frames) {
        if (!device || !device->writeFrame(frame)) {
            *error = device ? device->errorString() : QStringLiteral("device closed");
            break;
        }
        ++written;
    }
    return written;
}

bool SerialBusWorker::setParameter(int ch, QCanBusDevice::ConfigurationKey key,
                                   const QVariant &value, QString *error)
{
    QCanBusDevice *device = m_devices[ch & 1];
    if (!device) {
        *error = QStringLiteral("device closed");
        return false;
    }
    bool failed = false;
    const QMetaObject::Connection watch = connect(
        device, &QCanBusDevice::errorOccurred, this, [&failed](QCanBusDevice::CanBusError e) {
            failed = failed || e == QCanBusDevice::ConfigurationError;
        });
    device->setConfigurationParameter(key, value);
    disconnect(watch);
    if (failed)
        *error = device->errorString();
    return !failed;
}

QString SerialBusWorker::deviceError(int ch) const
{
    std::lock_guard<std::mutex> lock(m_errorMutex);
    return m_errors[ch & 1];
}

void SerialBusWorker::onStateChanged(int ch, QCanBusDevice::CanBusDeviceState state)
{
    m_connected[ch] = state == QCanBusDevice::ConnectedState;
    if (state == QCanBusDevice::UnconnectedState)
        m_failed[ch] = true;
    notifyState();
}

void SerialBusWorker::notifyState()
{
    { // the waiter checks the flags under this mutex, so no change slips between
        std::lock_guard<std::mutex> lock(m_stateMutex);
    }
    m_stateChanged.notify_all();
}

int SerialBusWorker::waitForConnection(QDeadlineTimer deadline)
{
    int result = 2;
    const auto settled = [&] {
        for (int ch = 0; ch < 2; ++ch) {
            if (m_failed[ch]) {
                result = ch;
                return true;
            }
        }
        if (m_connected[0] && m_connected[1]) {
            result = -1;
            return true;
        }
        return false;
    };
    std::unique_lock<std::mutex> lock(m_stateMutex);
    m_stateChanged.wait_until(lock, deadline.deadline<std::chrono::steady_clock>(), settled);
    return result;
}

void SerialBusWorker::onError(int ch, QCanBusDevice::CanBusError error)
{
    if (error == QCanBusDevice::ConnectionError)
        m_failed[ch] = true;
    {
        std::lock_guard<std::mutex> lock(m_errorMutex);
        m_errors[ch] = m_devices[ch] ? m_devices[ch]->errorString() : QString();
    }
    notifyState();
}

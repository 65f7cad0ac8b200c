#include "device/sim/simupdatevolume.h"

#include "device/firmwareimage.h"

#include <QDir>
#include <QFile>

#include <chrono>

SimUpdateVolume::SimUpdateVolume(const QString &root) : m_root(root) {}

SimUpdateVolume::~SimUpdateVolume()
{
    cancelPending();
}

QString SimUpdateVolume::folderPath() const
{
    return m_root + QStringLiteral("/CRP DISABLD");
}

void SimUpdateVolume::present(int delayMs)
{
    cancelPending();
    if (delayMs <= 0) {
        mount();
        return;
    }
    m_cancel = false;
    m_mounter = std::thread([this, delayMs] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::milliseconds(delayMs), [this] { return m_cancel; }))
            mount();
    });
}

SimUpdateVolume::Outcome SimUpdateVolume::consume(uint16_t *version)
{
    cancelPending();
    QFile file(folderPath() + QStringLiteral("/firmware.bin"));
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::NoImage;
    const bool valid = readFirmwareImageVersion(file.readAll(), version);
    file.close();
    QDir(folderPath()).removeRecursively();
    return valid ? Outcome::Accepted : Outcome::Rejected;
}

void SimUpdateVolume::withdraw()
{
    cancelPending();
    if (QFile::exists(markerPath()))
        QDir(folderPath()).removeRecursively();
}

void SimUpdateVolume::cancelPending()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_cancel = true;
    }
    m_wake.notify_all();
    if (m_mounter.joinable())
        m_mounter.join();
}

bool SimUpdateVolume::mount() const
{
    QFile marker(markerPath());
    return QDir().mkpath(folderPath()) && marker.open(QIODevice::WriteOnly);
}

QString SimUpdateVolume::markerPath() const
{
    return folderPath() + QStringLiteral("/.ferrule-sim");
}
